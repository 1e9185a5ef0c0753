// Allocations that Qt's platform plugins, fontconfig and glib keep until the
// process exits; none of them is ours. Read by LeakSanitizer at start-up.
extern "C" const char* __lsan_default_suppressions();
extern "C" __attribute__((used)) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\n"
           "leak:libQt6Gui\n"
           "leak:libQt6Core\n"
           "leak:libQt6Widgets\n"
           "leak:libglib\n"
           "leak:libqoffscreen\n";
}
