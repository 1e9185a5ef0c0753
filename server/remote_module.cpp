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
    std::vector<ArgKind> args;  // empty with delta: one delta argument
    bool delta;
    std::function<std::string(Storage&, const Args&, const gsf::data::Delta*)> run;
};

std::string packet(const gsf::data::Packet& p) { return gsf::data::encodePacket(p); }

const std::vector<Method>& methods() {
    static const std::vector<Method> table = {
        {"GetPesqClie", {A::Registration, A::Branch}, false,
         [](Storage& s, const Args& a, auto) { return packet(s.GetPesqClie(a[0], a[1])); }},
        {"GetParamFilial", {A::Branch}, false, [](Storage& s, const Args& a, auto) { return packet(s.GetParamFilial(a[0])); }},
        {"GetGrupServ", {A::Branch, A::Client}, false,
         [](Storage& s, const Args& a, auto) { return packet(s.GetGrupServ(a[0], a[1])); }},
        {"GetVerifGrupServ", {A::Branch, A::Client, A::Group}, false,
         [](Storage& s, const Args& a, auto) { return packet(s.GetVerifGrupServ(a[0], a[1], a[2])); }},
        {"GetServClie", {A::Branch, A::Client, A::Group}, false,
         [](Storage& s, const Args& a, auto) { return packet(s.GetServClie(a[0], a[1], a[2])); }},
        {"GetCorrPrecGrup", {A::Branch, A::Client, A::Group}, false,
         [](Storage& s, const Args& a, auto) { return packet(s.GetCorrPrecGrup(a[0], a[1], a[2])); }},
        {"GetIntervMaior", {A::Branch, A::Client, A::Group}, false,
         [](Storage& s, const Args& a, auto) { return packet(s.GetIntervMaior(a[0], a[1], a[2])); }},
        {"GetPesqServ", {A::Branch, A::Client, A::Service}, false,
         [](Storage& s, const Args& a, auto) { return packet(s.GetPesqServ(a[0], a[1], a[2])); }},
        {"GetVerifServ", {A::Branch, A::Service, A::Client, A::Group}, false,
         [](Storage& s, const Args& a, auto) { return packet(s.GetVerifServ(a[0], a[1], a[2], a[3])); }},
        {"UpdGrupServ", {}, true,
         [](Storage& s, const Args&, const gsf::data::Delta* d) { return s.UpdGrupServ(*d), std::string("{}"); }},
        {"UpdServClie", {}, true,
         [](Storage& s, const Args&, const gsf::data::Delta* d) { return s.UpdServClie(*d), std::string("{}"); }},
        {"UpdCorrPrecGrup", {}, true,
         [](Storage& s, const Args&, const gsf::data::Delta* d) { return s.UpdCorrPrecGrup(*d), std::string("{}"); }},
        {"ProAtualizaGrupo", {A::Branch, A::Client, A::Group, A::Service}, false,
         [](Storage& s, const Args& a, auto) { return s.ProAtualizaGrupo(a[0], a[1], a[2], a[3]), std::string("{}"); }},
        {"ProAtualizaServ", {A::Branch, A::Client, A::Group, A::Service}, false,
         [](Storage& s, const Args& a, auto) { return s.ProAtualizaServ(a[0], a[1], a[2], a[3]), std::string("{}"); }},
        {"ProLimpaServ", {A::Branch, A::Client, A::Group}, false,
         [](Storage& s, const Args& a, auto) { return s.ProLimpaServ(a[0], a[1], a[2]), std::string("{}"); }},
        {"ProDeletaServ", {A::Branch, A::Client, A::Group, A::Service}, false,
         [](Storage& s, const Args& a, auto) { return s.ProDeletaServ(a[0], a[1], a[2], a[3]), std::string("{}"); }},
        {"ProDelServ", {A::Branch, A::Client, A::Group}, false,
         [](Storage& s, const Args& a, auto) { return s.ProDelServ(a[0], a[1], a[2]), std::string("{}"); }},
    };
    return table;
}

const Method* find(std::string_view name) {
    for (const auto& m : methods())
        if (name == m.name) return &m;
    return nullptr;
}

std::string argumentsWord(size_t n) { return n == 1 ? "1 argumento" : std::to_string(n) + " argumentos"; }

// The checked arguments of a call: a delta, or the text arguments.
struct Checked {
    Args texts;
    gsf::data::Delta delta;
};

// {"args": [delta]} with a delta's own nesting: deeper bodies are refused
// before anything is built from them.
constexpr int kBodyDepth = 6;

Checked check(const Method& method, std::string_view body) {
    if (const std::string problem = gsf::data::strictJsonProblem(body, kBodyDepth); !problem.empty())
        badRequest("Corpo da requisição inválido: " + problem);
    Json request = Json::parse(body, nullptr, false);
    if (request.is_discarded()) badRequest("Corpo da requisição inválido: JSON malformado.");
    if (!request.is_object() || !request.contains("args") || !request["args"].is_array())
        badRequest("Corpo da requisição inválido: esperado um objeto com a lista \"args\".");
    const Json& args = request["args"];
    const size_t expected = method.delta ? 1 : method.args.size();
    if (args.size() != expected)
        badRequest(std::string("O método ") + method.name + " espera " + argumentsWord(expected) + " e recebeu " +
                   std::to_string(args.size()) + ".");
    Checked checked;
    if (method.delta) {
        if (!args[0].is_object()) badRequest("Argumento 1 (delta) inválido: deve ser um objeto.");
        try {
            checked.delta = gsf::data::decodeDelta(args[0].dump());
        } catch (const gsf::data::PacketError& e) {
            badRequest(std::string("Argumento 1 (delta) inválido: ") + e.what());
        }
        return checked;
    }
    for (size_t i = 0; i < expected; ++i) {
        const std::string label = "Argumento " + std::to_string(i + 1) + " (" + argName(method.args[i]) + ") inválido: ";
        if (!args[i].is_string()) badRequest(label + "deve ser um texto.");
        auto text = args[i].get<std::string>();
        if (const auto problem = argumentProblem(method.args[i], text); !problem.empty()) badRequest(label + problem);
        checked.texts.push_back(std::move(text));
    }
    return checked;
}

bool readOnly(const Method& method) { return std::string_view(method.name).starts_with("Get"); }

// Method and arguments, each argument prefixed by its length so that no two
// calls share a key.
std::string cacheKey(const Method& method, const Args& texts) {
    std::string key = method.name;
    for (const auto& text : texts) key += '\0' + std::to_string(text.size()) + ':' + text;
    return key;
}

} // namespace

Reply RemoteModule::run(std::string_view name, std::string_view body) {
    const Method& method = *find(name);
    Checked checked = check(method, body);
    if (method.delta) return {200, method.run(storage_, {}, &checked.delta)};
    if (!cacheReads_ || !readOnly(method)) return {200, method.run(storage_, checked.texts, nullptr)};

    // The version is read before the data: if it is unchanged on a later
    // call, nothing was committed since, so what was read then is still what
    // the database holds. A write racing with this call leaves the answer
    // under the older version, where it is never served again.
    const std::string key = cacheKey(method, checked.texts);
    const std::int64_t version = storage_.ChangeVersion();
    if (const auto kept = cache_.Find(key, version)) return {200, *kept};
    auto answer = std::make_shared<const std::string>(method.run(storage_, checked.texts, nullptr));
    cache_.Store(key, version, answer);
    return {200, *answer};
}

std::string errorBody(const std::string& code, const std::string& message) {
    // A message may quote what the request sent; bytes that are not UTF-8 are
    // replaced rather than failing the answer.
    return Json{{"error", {{"code", code}, {"message", message}}}}.dump(-1, ' ', false,
                                                                       Json::error_handler_t::replace);
}

bool RemoteModule::HasMethod(std::string_view method) { return find(method) != nullptr; }

void RemoteModule::FailOnce(const std::string& method, const std::string& message) {
    FailOnce(method, 500, "server_error", message);
}

void RemoteModule::FailOnce(const std::string& method, int status, const std::string& code,
                            const std::string& message, int passing) {
    std::lock_guard lock(failuresMutex_);
    failures_[method] = Failure{Reply{status, errorBody(code, message)}, passing};
}

namespace {

// Constraints raised by a concurrent writer never get here: the storage
// answers them as refusals (Storage::write).
Reply databaseFailure(const gsf::sql::SqlError& e) {
    switch (e.Kind()) {
    case gsf::sql::ErrorKind::Busy:
        return {503, errorBody("busy", "O banco de dados está ocupado. Tente novamente em instantes.")};
    case gsf::sql::ErrorKind::Connection:
        return {503, errorBody("database_unavailable", std::string("Banco de dados indisponível: ") + e.what())};
    default:
        return {500, errorBody("database_error", std::string("Erro no banco de dados: ") + e.what())};
    }
}

} // namespace

Reply RemoteModule::Call(std::string_view name, std::string_view body) {
    // Nothing a request holds may end the process: every failure is an
    // answer, and the last handler needs nothing that could fail again.
    try {
        try {
            const Method* method = find(name);
            if (!method) return {404, errorBody("not_found", "Método desconhecido: " + std::string(name) + ".")};
            {
                std::lock_guard lock(failuresMutex_);
                if (auto it = failures_.find(name); it != failures_.end() && it->second.passing-- == 0) {
                    Reply reply = std::move(it->second.reply);
                    failures_.erase(it);
                    return reply;
                }
            }
            return run(name, body);
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
