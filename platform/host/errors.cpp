#include "platform/host/errors.h"

#include "platform/host/host_context.h"
#include "platform/host/progress.h"

#include <algorithm>
#include <cctype>

namespace gsf::host {

namespace {

// "{}" or nothing, blanks aside. Looks at the ends only: a packet is large.
bool isNoDataBody(const std::string& body)
{
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    const auto first = std::find_if_not(body.begin(), body.end(), blank);
    if (first == body.end())
        return true;
    const auto last = std::find_if_not(body.rbegin(), body.rend(), blank).base();
    if (*first != '{' || *(last - 1) != '}')
        return false;
    return std::all_of(first + 1, last - 1, blank);
}

} // namespace

void MensErro(const std::string& text, bool abort)
{
    interaction().showError(text);
    if (abort)
        throw Abort();
}

data::DecodedPacket CheckResultServ(const remote::CallResult& result, bool raise, int /*reserved*/)
{
    if (!result.ok) {
        DeactiveShowAvi();
        // A failure without text would leave the person with an empty box.
        const std::string message =
            result.message.empty() ? "Falha na chamada ao servidor de aplicação." : result.message;
        if (!raise)
            MensErro(message, true);
        throw ServerError(message, result.errorCode);
    }
    if (isNoDataBody(result.body))
        return {};
    try {
        return data::readPacket(result.body);
    } catch (...) {
        DeactiveShowAvi();
        throw;
    }
}

} // namespace gsf::host
