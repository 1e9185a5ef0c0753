// Every road of the screen with the server failing during each of its calls:
// dying before the call is applied, dying once it is applied but before the
// answer, and frozen past the connection's timeout. Whatever happens, the
// clerk sees the connection message with no progress indicator left, the
// server holds each call whole or not at all, and once the server is back
// the next action works on the same open screen, which then shows what the
// server holds.
#include "screen/tests/screen_fixture.h"
#include "server/app_server.h"
#include "tests/support/screen_roads.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace gsf::screen::test {
namespace {

using host::Outcome;
using Fault = gsf::server::AppServer::Fault;
using Snapshot = std::map<std::string, std::vector<std::string>>;

constexpr auto kTimeout = std::chrono::milliseconds(300);
// Frozen past both tries of a write call (each waits its whole timeout).
constexpr auto kFreeze = std::chrono::milliseconds(750);
const char* const kConnectionMessage = "Servidor de aplicação indisponível";

using gsf::test::ScreenRoad;

const std::vector<ScreenRoad>& roads()
{
    return gsf::test::screenRoads();
}

bool changesData(const std::string& call)
{
    return call.rfind("Get", 0) != 0;
}

/// Groups of the open client as the screen holds them and as the server does.
size_t shownGroups(const TfrmGrupServFat& form)
{
    return form.cdsGrupServ.Active() ? static_cast<size_t>(form.cdsGrupServ.RecordCount()) : 0;
}

size_t serverGroups(ScreenFixture& s)
{
    return s.server.storage().GetGrupServ("0001", "000002").rows.size();
}

class ServerGone : public ::testing::TestWithParam<size_t> {
protected:
    const ScreenRoad& road() const { return roads()[GetParam()]; }

    // A new screen brought where the road starts, with short timeouts.
    std::unique_ptr<ScreenFixture> ready()
    {
        auto screen = std::make_unique<ScreenFixture>();
        screen->form().netGrupServFat.Timeout = kTimeout;
        EXPECT_TRUE(road().prepare(screen->act(), screen->person)) << screen->lastError();
        EXPECT_TRUE(screen->errors.empty()) << screen->lastError();
        screen->clearCalls();
        screen->errors.clear();
        return screen;
    }

    struct Run {
        Snapshot after; ///< what the server holds once it is back
        std::vector<std::string> calls;
    };

    // The road with @p fault at its @p n th call, then the server brought
    // back and the screen's next action.
    Run faulted(int n, Fault fault, const std::string& call)
    {
        const std::string where = std::string(road().name) + ", chamada " + std::to_string(n) + " (" + call + ")";
        auto screen = ready();
        screen->server.app().FaultAt(n, fault, kFreeze);
        road().run(screen->act(), screen->person);
        Run out{{}, screen->calls()};
        EXPECT_FALSE(screen->errors.empty()) << where << ": nada foi mostrado";
        if (!screen->errors.empty()) {
            EXPECT_NE(screen->errors.front().find(kConnectionMessage), std::string::npos)
                << where << ": " << screen->errors.front();
        }
        EXPECT_FALSE(screen->person.progressVisible()) << where;

        if (fault == Fault::Freeze) {
            std::this_thread::sleep_for(kFreeze);
        } else {
            screen->server.stop();
            screen->server.start();
        }
        out.after = screen->snapshot();

        // The same open screen goes on: a row kept in edit is given up, then
        // the list of the page in front is read again, with no error.
        TfrmGrupServFat& form = screen->form();
        screen->errors.clear();
        if (form.sbtCancelar.Enabled()) {
            screen->person.queueConfirm(true);
            EXPECT_EQ(screen->act().click("sbtCancelar"), Outcome::Done) << where << ": " << screen->lastError();
        }
        EXPECT_TRUE(unit().FormCriado) << where << ": a close that failed keeps the window";
        // Left in the filter, the clerk leaves it again; elsewhere, verify,
        // from the groups page when the page in front offers none (an empty
        // services list).
        std::string focus = screen->focused();
        if (focus != "medCdFilial" && focus != "medCdCliente" && !form.sbtVerificar.Enabled()) {
            EXPECT_EQ(screen->act().clickMenu("mnuGrupServ"), Outcome::Done) << where << ": " << screen->lastError();
            focus = screen->focused();
        }
        const Outcome next = focus == "medCdFilial" || focus == "medCdCliente" ? screen->act().focus("dbgPadrao")
                                                                               : screen->act().click("sbtVerificar");
        EXPECT_EQ(next, Outcome::Done) << where << ": " << screen->lastError() << " (foco em " << focus << ")";
        EXPECT_TRUE(screen->errors.empty()) << where << ": " << screen->lastError();
        EXPECT_EQ(shownGroups(form), serverGroups(*screen)) << where;
        return out;
    }
};

TEST_P(ServerGone, EachCallOfTheRoadIsWholeOrAbsentAndTheScreenGoesOn)
{
    // The road once with a healthy server: its calls, and where it leaves the server.
    std::vector<std::string> calls;
    Snapshot initial, healthy;
    {
        auto screen = ready();
        initial = screen->snapshot();
        EXPECT_TRUE(road().run(screen->act(), screen->person)) << road().name;
        ASSERT_TRUE(screen->errors.empty()) << road().name << ": " << screen->lastError();
        calls = screen->calls();
        healthy = screen->snapshot();
    }
    ASSERT_FALSE(calls.empty());

    // held[i]: the server once the first i calls are applied.
    std::vector<Snapshot> held(calls.size() + 1);
    for (size_t i = 0; i < calls.size(); ++i) {
        const Run died = faulted(static_cast<int>(i + 1), Fault::DieBefore, calls[i]);
        held[i] = died.after;
        // Up to the failing call the road made the same calls.
        ASSERT_GE(died.calls.size(), i + 1) << road().name;
        EXPECT_EQ(std::vector<std::string>(died.calls.begin(), died.calls.begin() + static_cast<long>(i + 1)),
                  std::vector<std::string>(calls.begin(), calls.begin() + static_cast<long>(i + 1)));
    }
    held[calls.size()] = healthy;
    EXPECT_EQ(held[0], initial) << road().name << ": a road that died at its first call changed nothing";

    for (size_t i = 0; i < calls.size(); ++i) {
        const std::string where =
            std::string(road().name) + ", chamada " + std::to_string(i + 1) + " (" + calls[i] + ")";
        if (changesData(calls[i])) {
            EXPECT_EQ(faulted(static_cast<int>(i + 1), Fault::DieAfter, calls[i]).after, held[i + 1])
                << where << ": applied, then the server died";
        } else {
            EXPECT_EQ(held[i + 1], held[i]) << where << ": a read changed the server";
        }
        EXPECT_EQ(faulted(static_cast<int>(i + 1), Fault::Freeze, calls[i]).after, held[i + 1])
            << where << ": frozen past the timeout, applied once";
    }
}

INSTANTIATE_TEST_SUITE_P(Roads, ServerGone, ::testing::Range<size_t>(0, roads().size()),
                         [](const ::testing::TestParamInfo<size_t>& road) { return roads()[road.param].name; });

} // namespace
} // namespace gsf::screen::test
