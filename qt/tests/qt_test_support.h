#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QString>
#include <QTest>
#include <QTimer>

#include <functional>

namespace gsf::qt::test {

/// The one QApplication of a test process (offscreen when no platform is set).
inline QApplication& application()
{
    static int argc = 1;
    static char name[] = "gsf_qt_test";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

/// Folder for the pictures a test saves: $GSF_SCREENSHOT_DIR, else
/// "screenshots" in the working directory (the build's test folder).
inline QDir screenshotDir()
{
    const QString path = qEnvironmentVariableIsEmpty("GSF_SCREENSHOT_DIR")
                             ? QDir::current().filePath(QStringLiteral("screenshots"))
                             : qEnvironmentVariable("GSF_SCREENSHOT_DIR");
    QDir().mkpath(path);
    return QDir(path);
}

/// Runs @p answer on the widget @p find returns as soon as it returns one:
/// dialogs and popups block in exec() until answered.
inline void whenUp(std::function<QWidget*()> find, std::function<void(QWidget&)> answer)
{
    QTimer::singleShot(0, [find, answer] {
        QWidget* up = find();
        if (up == nullptr) {
            whenUp(find, answer);
            return;
        }
        answer(*up);
    });
}

/// Runs @p answer on the modal dialog as soon as it is up.
inline void whenModal(std::function<void(QWidget&)> answer)
{
    whenUp([] { return QApplication::activeModalWidget(); }, std::move(answer));
}

/// Runs @p answer on the popup (a pick list) as soon as it is up.
inline void whenPopup(std::function<void(QWidget&)> answer)
{
    whenUp([] { return QApplication::activePopupWidget(); }, std::move(answer));
}

/// Processes events until @p done holds or @p milliseconds pass.
/// @return whether it held (QTRY_ macros report to QtTest, not to GoogleTest).
inline bool waitFor(const std::function<bool()>& done, int milliseconds = 2000)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

} // namespace gsf::qt::test
