#include "server/remote_module.h"

#include "server/arguments.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <vector>

namespace gsf::server {

namespace {

using Json = nlohmann::json;
using Args = std::vector<std::string>;
using A = ArgKind;

struct Method {
    const char* name;
    std::vector<ArgKind> args; // empty with delta: one delta argument
    bool delta;
    /// Writes the answer into its last argument: a packet, or `{}`.
    std::function<void(Storage&, const Args&, const gsf::data::Delta*, std::string&)> run;
};

void done(std::string& out)
{
    out = "{}";
}

const std::vector<Method>& methods()
{
    static const std::vector<Method> table = {
        {"GetPesqClie",
         {A::Registration, A::Branch},
         false,
         [](Storage& s, const Args& a, auto, std::string& out) { s.GetPesqClie(a[0], a[1], out); }},
        {"GetParamFilial",
         {A::Branch},
         false,
         [](Storage& s, const Args& a, auto, std::string& out) { s.GetParamFilial(a[0], out); }},
        {"GetGrupServ",
         {A::Branch, A::Client},
         false,
         [](Storage& s, const Args& a, auto, std::string& out) { s.GetGrupServ(a[0], a[1], out); }},
        {"GetVerifGrupServ",
         {A::Branch, A::Client, A::Group},
         false,
         [](Storage& s, const Args& a, auto, std::string& out) { s.GetVerifGrupServ(a[0], a[1], a[2], out); }},
        {"GetServClie",
         {A::Branch, A::Client, A::Group},
         false,
         [](Storage& s, const Args& a, auto, std::string& out) { s.GetServClie(a[0], a[1], a[2], out); }},
        {"GetCorrPrecGrup",
         {A::Branch, A::Client, A::Group},
         false,
         [](Storage& s, const Args& a, auto, std::string& out) { s.GetCorrPrecGrup(a[0], a[1], a[2], out); }},
        {"GetIntervMaior",
         {A::Branch, A::Client, A::Group},
         false,
         [](Storage& s, const Args& a, auto, std::string& out) { s.GetIntervMaior(a[0], a[1], a[2], out); }},
        {"GetPesqServ",
         {A::Branch, A::Client, A::Service},
         false,
         [](Storage& s, const Args& a, auto, std::string& out) { s.GetPesqServ(a[0], a[1], a[2], out); }},
        {"GetVerifServ",
         {A::Branch, A::Service, A::Client, A::Group},
         false,
         [](Storage& s, const Args& a, auto, std::string& out) { s.GetVerifServ(a[0], a[1], a[2], a[3], out); }},
        {"UpdGrupServ",
         {},
         true,
         [](Storage& s, const Args&, const gsf::data::Delta* d, std::string& out) { s.UpdGrupServ(*d), done(out); }},
        {"UpdServClie",
         {},
         true,
         [](Storage& s, const Args&, const gsf::data::Delta* d, std::string& out) { s.UpdServClie(*d), done(out); }},
        {"UpdCorrPrecGrup",
         {},
         true,
         [](Storage& s, const Args&, const gsf::data::Delta* d, std::string& out) {
             s.UpdCorrPrecGrup(*d), done(out);
         }},
        {"ProAtualizaGrupo",
         {A::Branch, A::Client, A::Group, A::Service},
         false,
         [](Storage& s, const Args& a, auto, std::string& out) {
             s.ProAtualizaGrupo(a[0], a[1], a[2], a[3]), done(out);
         }},
        {"ProAtualizaServ",
         {A::Branch, A::Client, A::Group, A::Service},
         false,
         [](Storage& s, const Args& a, auto, std::string& out) {
             s.ProAtualizaServ(a[0], a[1], a[2], a[3]), done(out);
         }},
        {"ProLimpaServ",
         {A::Branch, A::Client, A::Group},
         false,
         [](Storage& s, const Args& a, auto, std::string& out) { s.ProLimpaServ(a[0], a[1], a[2]), done(out); }},
        {"ProDeletaServ",
         {A::Branch, A::Client, A::Group, A::Service},
         false,
         [](Storage& s, const Args& a, auto, std::string& out) { s.ProDeletaServ(a[0], a[1], a[2], a[3]), done(out); }},
        {"ProDelServ",
         {A::Branch, A::Client, A::Group},
         false,
         [](Storage& s, const Args& a, auto, std::string& out) { s.ProDelServ(a[0], a[1], a[2]), done(out); }},
    };
    return table;
}

const Method* find(std::string_view name)
{
    for (const auto& m : methods())
        if (name == m.name)
            return &m;
    return nullptr;
}

std::string argumentsWord(size_t n)
{
    return n == 1 ? "1 argumento" : std::to_string(n) + " argumentos";
}

// The checked arguments of a call: a delta, or the text arguments.
struct Checked {
    Args texts;
    gsf::data::Delta delta;
};

// {"args": [delta]} with a delta's own nesting: deeper bodies are refused
// before anything is built from them.
constexpr int kBodyDepth = 6;

Checked check(const Method& method, std::string_view body)
{
    if (const std::string problem = gsf::data::strictJsonProblem(body, kBodyDepth); !problem.empty())
        badRequest("Corpo da requisição inválido: " + problem);
    Json request = Json::parse(body, nullptr, false);
    if (request.is_discarded())
        badRequest("Corpo da requisição inválido: JSON malformado.");
    if (!request.is_object() || !request.contains("args") || !request["args"].is_array())
        badRequest("Corpo da requisição inválido: esperado um objeto com a lista \"args\".");
    const Json& args = request["args"];
    const size_t expected = method.delta ? 1 : method.args.size();
    if (args.size() != expected)
        badRequest(std::string("O método ") + method.name + " espera " + argumentsWord(expected) + " e recebeu " +
                   std::to_string(args.size()) + ".");
    Checked checked;
    if (method.delta) {
        if (!args[0].is_object())
            badRequest("Argumento 1 (delta) inválido: deve ser um objeto.");
        try {
            checked.delta = gsf::data::decodeDelta(args[0].dump());
        } catch (const gsf::data::PacketError& e) {
            badRequest(std::string("Argumento 1 (delta) inválido: ") + e.what());
        }
        return checked;
    }
    for (size_t i = 0; i < expected; ++i) {
        const std::string label =
            "Argumento " + std::to_string(i + 1) + " (" + argName(method.args[i]) + ") inválido: ";
        if (!args[i].is_string())
            badRequest(label + "deve ser um texto.");
        auto text = args[i].get<std::string>();
        if (const auto problem = argumentProblem(method.args[i], text); !problem.empty())
            badRequest(label + problem);
        checked.texts.push_back(std::move(text));
    }
    return checked;
}

bool readOnly(const Method& method)
{
    return std::string_view(method.name).starts_with("Get");
}

// Method and arguments, each argument prefixed by its length so that no two
// calls share a key.
std::string cacheKey(const Method& method, const Args& texts)
{
    std::string key = method.name;
    for (const auto& text : texts)
        key += '\0' + std::to_string(text.size()) + ':' + text;
    return key;
}

} // namespace

Reply RemoteModule::run(std::string_view name, std::string_view body, std::optional<std::int64_t> version)
{
    const Method& method = *find(name);
    Checked checked = check(method, body);
    // The answer is written once, into a buffer that goes back to the pool
    // when it has been sent and is no longer kept.
    const auto answer = [&] {
        std::shared_ptr<std::string> out = buffers_.Take();
        method.run(storage_, checked.texts, method.delta ? &checked.delta : nullptr, *out);
        return out;
    };
    if (method.delta || !cacheReads_ || !readOnly(method))
        return Reply::Shared(answer());

    // The version is read before the data: if it is unchanged on a later
    // call, nothing was committed since, so what was read then is still what
    // the database holds. A write racing with this call leaves the answer
    // under the older version, where it is never served again.
    const std::string key = cacheKey(method, checked.texts);
    if (!version)
        version = storage_.ChangeVersion();
    if (auto kept = cache_.Find(key, *version))
        return Reply::Shared(std::move(kept));
    std::shared_ptr<const std::string> fresh = answer();
    cache_.Store(key, *version, fresh);
    return Reply::Shared(std::move(fresh));
}

std::string errorBody(const std::string& code, const std::string& message)
{
    // A message may quote what the request sent; bytes that are not UTF-8 are
    // replaced rather than failing the answer.
    return Json{{"error", {{"code", code}, {"message", message}}}}.dump(-1, ' ', false, Json::error_handler_t::replace);
}

bool RemoteModule::HasMethod(std::string_view method)
{
    return find(method) != nullptr;
}

void RemoteModule::FailOnce(const std::string& method, const std::string& message)
{
    FailOnce(method, 500, "server_error", message);
}

void RemoteModule::FailOnce(const std::string& method, int status, const std::string& code, const std::string& message,
                            int passing)
{
    std::lock_guard lock(failuresMutex_);
    failures_[method] = Failure{Reply{status, errorBody(code, message)}, passing};
}

namespace {

// Constraints raised by a concurrent writer never get here: the storage
// answers them as refusals (Storage::write).
Reply databaseFailure(const gsf::sql::SqlError& e)
{
    switch (e.Kind()) {
    case gsf::sql::ErrorKind::Busy:
        return {503, errorBody("busy", "O banco de dados está ocupado. Tente novamente em instantes.")};
    case gsf::sql::ErrorKind::Connection:
        return {503, errorBody("database_unavailable", std::string("Banco de dados indisponível: ") + e.what())};
    default: return {500, errorBody("database_error", std::string("Erro no banco de dados: ") + e.what())};
    }
}

} // namespace

Reply RemoteModule::Call(std::string_view name, std::string_view body, std::optional<std::int64_t> version)
{
    // Nothing a request holds may end the process: every failure is an
    // answer, and the last handler needs nothing that could fail again.
    try {
        try {
            const Method* method = find(name);
            if (!method)
                return {404, errorBody("not_found", "Método desconhecido: " + std::string(name) + ".")};
            {
                std::lock_guard lock(failuresMutex_);
                if (auto it = failures_.find(name); it != failures_.end() && it->second.passing-- == 0) {
                    Reply reply = std::move(it->second.reply);
                    failures_.erase(it);
                    return reply;
                }
            }
            return run(name, body, version);
        } catch (const ServiceError& e) {
            return {e.Status(), errorBody(e.Code(), e.what())};
        } catch (const gsf::sql::SqlError& e) {
            return databaseFailure(e);
        } catch (const std::exception& e) {
            return {500, errorBody("server_error", std::string("Erro interno do servidor: ") + e.what())};
        }
    } catch (...) {
        return {500, R"({"error":{"code":"server_error","message":"Erro interno do servidor."}})"};
    }
}

} // namespace gsf::server
