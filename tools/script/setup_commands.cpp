// Commands that set up the run rather than act on the screen: the host
// context, the embedded server, the queued dialog answers and the output.

#include "platform/host/progress.h"
#include "tools/script/command_support.h"
#include "tools/script/state_dump.h"

#include <map>

namespace gsf::script {

namespace {

/// What `fail` sends when the script names only the method, or only the
/// status: the code and text the server itself answers with for that status.
Refusal defaultRefusal(const std::string& method, int status)
{
    static const std::map<int, std::string> codes = {{400, "bad_request"}, {401, "unauthorized"}, {404, "not_found"},
                                                     {409, "conflict"},    {413, "too_large"},    {422, "invalid"},
                                                     {503, "busy"}};
    const auto code = codes.find(status);
    Refusal refusal{status, code != codes.end() ? code->second : "server_error", ""};
    if (status == 409)
        refusal.message = kConflictText;
    else if (status == 503)
        refusal.message = "O banco de dados está ocupado. Tente novamente em instantes.";
    else
        refusal.message = "Falha provocada pelo roteiro na chamada de " + method + ".";
    return refusal;
}

} // namespace

std::optional<ServerAddress> parseServerAddress(const std::string& text)
{
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return std::nullopt;
    const auto port = positiveNumber(text.substr(colon + 1));
    if (!port || *port > 65535)
        return std::nullopt;
    return ServerAddress{text.substr(0, colon), *port};
}

void Interpreter::hostCommand(const Words& words, const std::string& /*line*/)
{
    host::HostContext& context = host::hostContext();
    if (words.size() == 3 && words[1].text == "server") {
        if (words[2].text == "embedded" && server_ == nullptr)
            fail(Status::BadScript, "host server embedded só vale para o servidor embutido (--embedded)");
        // "embedded" names the server inside this process, wherever it listens.
        const auto address = parseServerAddress(words[2].text == "embedded" ? server_->address() : words[2].text);
        if (!address)
            fail(Status::BadScript, "endereço de servidor inválido \"" + words[2].text + "\" (use HOST:PORTA)");
        context.serverHost = address->host;
        context.serverPort = address->port;
        return;
    }
    if (words.size() != 4 || (words[1].text != "free" && words[1].text != "fixed"))
        fail(Status::BadScript, "uso: host free|fixed FILIAL \"NOME\" ou host server HOST:PORTA|embedded");
    context.branchFixed = words[1].text == "fixed";
    context.branchCode = words[2].text;
    context.branchName = words[3].text;
}

void Interpreter::failCommand(const Words& words, const std::string& /*line*/)
{
    if (words.size() < 2 || words.size() > 5)
        fail(Status::BadScript, "uso: fail MÉTODO[@N] [STATUS [CÓDIGO [MENSAGEM]]]");
    if (server_ == nullptr)
        fail(Status::BadScript, "fail só vale para o servidor embutido (--embedded): um servidor em outro "
                                "processo não recusa chamadas a pedido do roteiro");
    // METHOD@N: the Nth call of the method from now, the ones before it go through.
    std::string method = words[1].text;
    int nth = 1;
    if (const size_t at = method.find('@'); at != std::string::npos) {
        const auto number = positiveNumber(method.substr(at + 1));
        if (!number)
            fail(Status::BadScript, "chamada inválida \"" + method + "\" (use MÉTODO@N, N a partir de 1)");
        nth = *number;
        method.resize(at);
    }
    if (!server_->hasMethod(method))
        fail(Status::BadScript, "método desconhecido \"" + method + "\"");
    int status = 409;
    if (words.size() >= 3) {
        const auto number = positiveNumber(words[2].text);
        // A success status would hand the screen an error body as its data.
        if (!number || *number < 400 || *number > 599)
            fail(Status::BadScript, "status de recusa inválido \"" + words[2].text + "\" (de 400 a 599)");
        status = *number;
    }
    Refusal refusal = defaultRefusal(method, status);
    if (words.size() >= 4) {
        if (words[3].text.empty())
            fail(Status::BadScript, "o código de erro de fail não pode ser vazio");
        refusal.code = words[3].text;
    }
    if (words.size() == 5)
        refusal.message = words[4].text;
    if (!server_->running())
        fail(Status::BadScript, "o servidor está parado (use server start antes de fail)");
    server_->failOnce(method, refusal, nth - 1);
}

void Interpreter::serverCommand(const Words& words, const std::string& /*line*/)
{
    if (words.size() != 2 || (words[1].text != "stop" && words[1].text != "start"))
        fail(Status::BadScript, "uso: server stop|start");
    if (server_ == nullptr)
        fail(Status::BadScript, "server " + words[1].text +
                                    " só vale para o servidor embutido (--embedded): o roteiro não para nem "
                                    "inicia um servidor em outro processo");
    const bool start = words[1].text == "start";
    if (server_->running() == start)
        fail(Status::BadScript, start ? "o servidor já está em execução" : "o servidor já está parado");
    if (!start) {
        server_->stop();
        return;
    }
    try {
        server_->start();
    } catch (const std::exception& error) {
        fail(Status::Fatal, std::string("o servidor não voltou: ") + error.what());
    }
}

void Interpreter::answerCommand(const Words& words, const std::string& /*line*/)
{
    if (words.size() != 2 || (words[1].text != "yes" && words[1].text != "no"))
        fail(Status::BadScript, "uso: answer yes|no");
    interaction_.queueConfirm(words[1].text == "yes");
}

void Interpreter::pickCommand(const Words& words, const std::string& /*line*/)
{
    if (words.size() == 2 && words[1].text == "none") {
        interaction_.queuePick(std::nullopt);
        return;
    }
    const auto row = words.size() == 2 ? positiveNumber(words[1].text) : std::nullopt;
    if (!row)
        fail(Status::BadScript, "uso: pick N|none (N a partir de 1)");
    interaction_.queuePick(*row);
}

void Interpreter::findCommand(const Words& words, const std::string& /*line*/)
{
    if (words.size() != 3)
        fail(Status::BadScript, "uso: find CAMPO VALOR");
    interaction_.queueFind(words[1].text, words[2].text);
}

void Interpreter::syncCommand(const Words& words, const std::string& /*line*/)
{
    // A program feeding the driver line by line waits for this line: what
    // the commands before it showed is out by then.
    flushOutput();
    print(words.size() > 1 ? "sync " + words[1].text : "sync");
}

void Interpreter::dumpCommand(const Words& /*words*/, const std::string& /*line*/)
{
    flushOutput();
    print(dumpState(session_.form(), session_.form() ? allDataSets() : std::vector<data::DataSet*>{},
                    session_.unitState(), host::ShowAviActive()));
}

} // namespace gsf::script
