#include "platform/host/errors.h"

#include "platform/host/host_context.h"
#include "platform/host/progress.h"

#include <algorithm>
#include <cctype>

namespace gsf::host {

namespace {

bool isNoDataBody(const std::string& body)
{
    std::string compact;
    std::copy_if(body.begin(), body.end(), std::back_inserter(compact),
                 [](unsigned char c) { return std::isspace(c) == 0; });
    return compact.empty() || compact == "{}";
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
