// Fuzzes the application server's request handler: the input is a method
// name, a newline, then the request body, handed to RemoteModule::Call over a
// storage on a temporary SQLite database seeded with the demo data. Whatever
// comes in, the call answers with a known status and a JSON body, never 500
// (a failure inside a call is a fault to fix), and an accepted change of a
// correction table never leaves a table with a gap, an overlap or values out
// of bounds.

#include "server/remote_module.h"
#include "server/storage.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace {

using gsf::server::RemoteModule;
using gsf::server::Storage;

struct World {
    World()
    {
        std::string dir = (std::filesystem::temp_directory_path() / "gsf-request-fuzz-XXXXXX").string();
        if (!mkdtemp(dir.data()))
            std::abort();
        directory = dir;
        storage = std::make_unique<Storage>(directory + "/fuzz.db");
        storage->SeedDemo();
        module = std::make_unique<RemoteModule>(*storage);
    }
    ~World()
    {
        module.reset();
        storage.reset();
        std::filesystem::remove_all(directory);
    }
    std::string directory;
    std::unique_ptr<Storage> storage;
    std::unique_ptr<RemoteModule> module;
};

World& world()
{
    static World w;
    return w;
}

void check(bool ok, const char* what, const gsf::server::Reply& reply)
{
    if (ok)
        return;
    std::fprintf(stderr, "%s: status %d, body %s\n", what, reply.status, std::string(reply.Body()).c_str());
    std::abort();
}

bool knownStatus(int status)
{
    return status == 200 || status == 400 || status == 404 || status == 409 || status == 422 || status == 503;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find('\n');
    const std::string_view method = input.substr(0, cut);
    const std::string_view body = cut == std::string_view::npos ? std::string_view{} : input.substr(cut + 1);

    World& w = world();
    const gsf::server::Reply reply = w.module->Call(method, body);
    check(knownStatus(reply.status), "unexpected status", reply);
    const auto answer = nlohmann::json::parse(reply.Body(), nullptr, false);
    check(!answer.is_discarded(), "answer is not JSON", reply);
    if (reply.status != 200) {
        check(answer.is_object() && answer.contains("error") && answer["error"].is_object(), "no error object", reply);
        const auto& error = answer["error"];
        check(error.contains("code") && error["code"].is_string() && error.contains("message") &&
                  error["message"].is_string() && !error["message"].get<std::string>().empty(),
              "error without code or message", reply);
    }
    if (reply.status == 200 && method == "UpdCorrPrecGrup") {
        auto connection = gsf::sql::openSqlite(w.directory + "/fuzz.db");
        check(gsf::server::findDamagedCorrectionTables(*connection).empty(), "an accepted change damaged a table",
              reply);
    }
    return 0;
}
