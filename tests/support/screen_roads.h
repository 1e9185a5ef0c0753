#pragma once

#include "platform/host/dispatcher.h"
#include "platform/host/interaction.h"

#include <functional>
#include <string>
#include <vector>

namespace gsf::test {

/// One road of the screen over the demo data (branch 0001, client 000002):
/// what brings the screen where it starts, and the person's actions of it.
struct ScreenRoad {
    using Step = std::function<bool(host::Dispatcher&, host::ScriptedInteraction&)>;
    const char* name;
    Step prepare; ///< true when every action of it was done
    Step run;     ///< the road itself; its failures are what is measured or checked
};

inline bool done(host::Outcome outcome)
{
    return outcome == host::Outcome::Done;
}

/// Selects the column of @p field in @p grid, then types @p text into its cell.
inline host::Outcome typeCell(host::Dispatcher& act, const char* grid, const char* field, const std::string& text)
{
    act.selectColumn(grid, field);
    return act.typeCell(grid, text);
}

/// The registration number of client 000002 of branch 0001.
inline constexpr const char* kRoadClient = "11222333000181";

/// Types branch 0001 and the client, then leaves the filter for the group grid.
inline bool leaveFilter(host::Dispatcher& act)
{
    return done(act.typeText("medCdFilial", "0001")) && done(act.typeText("medCdCliente", kRoadClient)) &&
           done(act.focus("dbgPadrao"));
}

/// The main roads: leaving the filter, posting a new and an altered group, a
/// service and an interval, deleting a group, a service and an interval,
/// verifying, closing.
inline const std::vector<ScreenRoad>& screenRoads()
{
    using Act = host::Dispatcher;
    using Person = host::ScriptedInteraction;
    static const std::vector<ScreenRoad> roads = {
        {"LeaveTheFilter", [](Act&, Person&) { return true; }, [](Act& a, Person&) { return leaveFilter(a); }},
        {"PostANewGroup", [](Act& a, Person&) { return leaveFilter(a); },
         [](Act& a, Person&) {
             return done(a.click("sbtIncluir")) && done(typeCell(a, "dbgPadrao", "CDGRSERVFAT", "009")) &&
                    done(typeCell(a, "dbgPadrao", "DSGRSERVFAT", "Noturno")) &&
                    done(typeCell(a, "dbgPadrao", "QTEFETMINIGSF", "2")) && done(a.click("sbtConfirmar"));
         }},
        {"PostAnAlteredGroup", [](Act& a, Person&) { return leaveFilter(a); },
         [](Act& a, Person&) {
             return done(a.click("sbtAlterar")) && done(typeCell(a, "dbgPadrao", "DSGRSERVFAT", "Vigilância 24h")) &&
                    done(a.click("sbtConfirmar"));
         }},
        {"PostAService",
         [](Act& a, Person&) {
             return leaveFilter(a) && done(a.moveToRow("dbgPadrao", 2)) && done(a.clickMenu("mnuServ")); // 003
         },
         [](Act& a, Person&) {
             return done(a.click("sbtIncluir")) && done(a.typeCell("dbgServico", "50")) &&
                    done(a.click("sbtConfirmar"));
         }},
        {"PostAnInterval", [](Act& a, Person&) { return leaveFilter(a) && done(a.clickMenu("mnuTabCorr")); },
         [](Act& a, Person&) {
             return done(a.click("sbtIncluir")) && done(typeCell(a, "dbgCorrPrecGrup", "VRPEFIMGRUP", "60")) &&
                    done(typeCell(a, "dbgCorrPrecGrup", "VRPECORRGRUP", "15")) && done(a.click("sbtConfirmar"));
         }},
        {"DeleteAGroup", [](Act& a, Person&) { return leaveFilter(a) && done(a.moveToRow("dbgPadrao", 1)); }, // 002
         [](Act& a, Person& p) {
             p.queueConfirm(true);
             return done(a.click("sbtExcluir"));
         }},
        {"DeleteTheCorrectionService", [](Act& a, Person&) { return leaveFilter(a) && done(a.clickMenu("mnuServ")); },
         [](Act& a, Person& p) {
             p.queueConfirm(true);
             return done(a.click("sbtExcluir"));
         }},
        {"DeleteAnInterval",
         [](Act& a, Person&) {
             return leaveFilter(a) && done(a.clickMenu("mnuTabCorr")) && done(a.moveToRow("dbgCorrPrecGrup", 2));
         },
         [](Act& a, Person& p) {
             p.queueConfirm(true);
             return done(a.click("sbtExcluir"));
         }},
        {"VerifyTheServices", [](Act& a, Person&) { return leaveFilter(a) && done(a.clickMenu("mnuServ")); },
         [](Act& a, Person&) { return done(a.click("sbtVerificar")); }},
        {"Close", [](Act& a, Person&) { return leaveFilter(a) && done(a.clickMenu("mnuServ")); },
         [](Act& a, Person&) { return done(a.close()); }},
    };
    return roads;
}

} // namespace gsf::test
