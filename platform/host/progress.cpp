#include "platform/host/progress.h"

#include "platform/host/host_context.h"
#include "platform/host/host_state.h"

namespace gsf::host {

namespace {

bool& shown()
{
    return detail::theHost().progressShown;
}

} // namespace

void ActiveShowAvi(const ui::Form* /*form*/, int animationKind, const std::string& caption)
{
    interaction().showProgress(animationKind, caption);
    shown() = true;
}

void DeactiveShowAvi()
{
    // Error paths hide the indicator without knowing whether one is up; only
    // a shown one is hidden, so the person (and a script) sees no stray hide.
    if (!shown())
        return;
    shown() = false;
    interaction().hideProgress();
}

bool ShowAviActive()
{
    return shown();
}

ProgressScope::~ProgressScope()
{
    // Also runs while an error unwinds: a failure to hide must not end the process.
    try {
        DeactiveShowAvi();
    } catch (...) {}
}

} // namespace gsf::host
