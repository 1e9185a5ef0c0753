// What the server's change history holds after each road of the screen, on
// both engines: the rows each change leaves, and none for a refused one.

#include "screen/tests/screen_fixture.h"

#include "server/history.h"
#include "tests/support/engine_test.h"

#include <gmock/gmock.h>

namespace gsf::screen::test {
namespace {

using host::Outcome;
using Rows = std::vector<std::string>;
using ::testing::HasSubstr;

class HistoryRoads : public ::testing::TestWithParam<sql::Engine> {
protected:
    void SetUp() override
    {
        if (!gsf::test::TempDatabase::Available(GetParam()))
            GTEST_SKIP() << "GSF_TEST_POSTGRES não definido";
        db_ = std::make_unique<gsf::test::TempDatabase>(GetParam());
        screen_ = std::make_unique<ScreenFixture>(ScreenOptions{}, db_->target(), "Maria José");
    }
    void TearDown() override
    {
        screen_.reset();
        db_.reset();
    }

    /// The rows recorded since the last call, each "Method operation table group record".
    Rows recorded()
    {
        const auto all = server::history::entries(*sql::openDatabase(db_->target()), {});
        Rows out;
        for (size_t i = seen_; i < all.size(); ++i) {
            const auto& e = all[i];
            std::string record;
            if (e.table == "SERVGRUPFAT")
                record = " " + e.key.substr(e.key.find("CDSERVFILI") + 13, 5);
            out.push_back(e.method + " " + e.operation + " " + e.table + " " + e.group + record);
            last_.push_back(e);
        }
        seen_ = all.size();
        return out;
    }
    /// The listing of the rows recorded by the last call of recorded().
    std::string lastListing()
    {
        const std::string out = server::history::formatTable(last_);
        last_.clear();
        return out;
    }

    ScreenFixture& screen() { return *screen_; }
    std::string error() const { return screen_->errors.empty() ? "" : screen_->errors.back(); }

    std::unique_ptr<gsf::test::TempDatabase> db_;

private:
    std::unique_ptr<ScreenFixture> screen_;
    size_t seen_ = 0;
    std::vector<server::history::Entry> last_;
};

INSTANTIATE_TEST_SUITE_P(Engines, HistoryRoads, gsf::test::allEngines(), gsf::test::engineTestName);

TEST_P(HistoryRoads, EveryRoadOfTheScreenLeavesItsRowsAndARefusalNone)
{
    if (IsSkipped())
        return;
    ScreenFixture& s = screen();
    TfrmGrupServFat& form = s.form();
    ASSERT_EQ(s.openClient("0001", kClientWithGroups), Outcome::Done);
    EXPECT_EQ(recorded(), Rows{}) << "reading records nothing";

    // A new group.
    ASSERT_EQ(s.act().click("sbtIncluir"), Outcome::Done);
    s.typeInto("dbgPadrao", "CDGRSERVFAT", "009");
    s.typeInto("dbgPadrao", "DSGRSERVFAT", "Noturno");
    s.typeInto("dbgPadrao", "QTEFETMINIGSF", "2");
    ASSERT_EQ(s.act().click("sbtConfirmar"), Outcome::Done) << error();
    EXPECT_EQ(recorded(), Rows{"UpdGrupServ I GRUPSERVFAT 009"});
    EXPECT_THAT(lastListing(), HasSubstr("DSGRSERVFAT=Noturno; QTEFETMINIGSF=2,000; QTEFMINDOMGSF=2,000"));
    ASSERT_EQ(form.cdsGrupServ.FieldByName("CDGRSERVFAT").AsString(), "009");

    // Its description altered.
    ASSERT_EQ(s.act().click("sbtAlterar"), Outcome::Done);
    s.typeInto("dbgPadrao", "DSGRSERVFAT", "Noturno 24h");
    ASSERT_EQ(s.act().click("sbtConfirmar"), Outcome::Done) << error();
    EXPECT_EQ(recorded(), Rows{"UpdGrupServ U GRUPSERVFAT 009"});
    EXPECT_THAT(lastListing(), HasSubstr("DSGRSERVFAT: Noturno → Noturno 24h"));

    // Its first service, which becomes its correction service.
    ASSERT_EQ(s.act().clickMenu("mnuServ"), Outcome::Done);
    ASSERT_EQ(s.act().click("sbtIncluir"), Outcome::Done);
    s.act().typeCell("dbgServico", "50");
    ASSERT_EQ(s.act().click("sbtConfirmar"), Outcome::Done) << error();
    EXPECT_EQ(recorded(), (Rows{"ProAtualizaGrupo I SERVGRUPFAT 009 00050", "ProAtualizaServ U GRUPSERVFAT 009",
                                "ProAtualizaServ U SERVGRUPFAT 009 00050"}));
    EXPECT_THAT(lastListing(), HasSubstr("CDSERAJEFEGSF: (vazio) → 00050"));

    // An interval of its correction table, then removed.
    ASSERT_EQ(s.act().clickMenu("mnuTabCorr"), Outcome::Done);
    ASSERT_EQ(s.act().click("sbtIncluir"), Outcome::Done);
    s.act().selectColumn("dbgCorrPrecGrup", "VRPEFIMGRUP");
    s.act().typeCell("dbgCorrPrecGrup", "10");
    s.act().selectColumn("dbgCorrPrecGrup", "VRPECORRGRUP");
    s.act().typeCell("dbgCorrPrecGrup", "5");
    ASSERT_EQ(s.act().click("sbtConfirmar"), Outcome::Done) << error();
    EXPECT_EQ(recorded(), Rows{"UpdCorrPrecGrup I CORRPRECGRUP 009"});
    EXPECT_THAT(lastListing(), HasSubstr("VRPEFIMGRUP=10,00%; VRPECORRGRUP=5,00%"));
    s.person.queueConfirm(true);
    ASSERT_EQ(s.act().click("sbtExcluir"), Outcome::Done) << error();
    EXPECT_EQ(recorded(), Rows{"UpdCorrPrecGrup D CORRPRECGRUP 009"});

    // Another clerk alters the group behind this screen: the alteration typed
    // here is refused and leaves no row.
    s.server.storage().UpdGrupServ([&] {
        const data::Packet groups = s.server.storage().GetGrupServ("0001", "000002");
        auto delta = data::Delta{groups.fields, {}};
        for (const auto& row : groups.rows) {
            if (std::get<std::string>(row[static_cast<size_t>(groups.indexOf("CDGRSERVFAT"))]) != "009")
                continue;
            auto changed = row;
            changed[static_cast<size_t>(groups.indexOf("DSGRSERVFAT"))] = std::string("Noturno (outro)");
            delta.changes.push_back({data::ChangeKind::Update, row, changed});
        }
        return delta;
    }());
    EXPECT_EQ(recorded(), Rows{"UpdGrupServ U GRUPSERVFAT 009"});
    ASSERT_EQ(s.act().clickMenu("mnuGrupServ"), Outcome::Done);
    ASSERT_EQ(s.act().click("sbtAlterar"), Outcome::Done);
    s.typeInto("dbgPadrao", "DSGRSERVFAT", "Noturno daqui");
    EXPECT_EQ(s.act().click("sbtConfirmar"), Outcome::Failed);
    EXPECT_THAT(error(), HasSubstr("alterado ou excluído por outro usuário"));
    EXPECT_EQ(recorded(), Rows{});
    ASSERT_EQ(s.act().click("sbtVerificar"), Outcome::Done) << error();
    ASSERT_EQ(s.act().moveToRow("dbgPadrao", 3), Outcome::Done);
    ASSERT_EQ(form.cdsGrupServ.FieldByName("CDGRSERVFAT").AsString(), "009");

    // The service removed: the correction service is cleared first.
    ASSERT_EQ(s.act().clickMenu("mnuServ"), Outcome::Done);
    s.person.queueConfirm(true);
    ASSERT_EQ(s.act().click("sbtExcluir"), Outcome::Done) << error();
    EXPECT_EQ(recorded(), (Rows{"ProLimpaServ U GRUPSERVFAT 009", "ProLimpaServ U SERVGRUPFAT 009 00050",
                                "ProDeletaServ D SERVGRUPFAT 009 00050"}));

    // The group removed.
    ASSERT_EQ(s.act().clickMenu("mnuGrupServ"), Outcome::Done);
    s.person.queueConfirm(true);
    ASSERT_EQ(s.act().click("sbtExcluir"), Outcome::Done) << error();
    EXPECT_EQ(recorded(), Rows{"UpdGrupServ D GRUPSERVFAT 009"});
    EXPECT_THAT(lastListing(), HasSubstr("DSGRSERVFAT=Noturno (outro)"));

    // A group with services, removed with them.
    ASSERT_EQ(s.act().moveToRow("dbgPadrao", 0), Outcome::Done);
    s.person.queueConfirm(true);
    s.person.queueConfirm(true);
    ASSERT_EQ(s.act().click("sbtExcluir"), Outcome::Done) << error();
    EXPECT_EQ(recorded(),
              (Rows{"ProDelServ D SERVGRUPFAT 001 00010", "ProDelServ D SERVGRUPFAT 001 00020",
                    "ProDelServ U GRUPSERVFAT 001", "UpdGrupServ D GRUPSERVFAT 001", "UpdGrupServ D CORRPRECGRUP 001",
                    "UpdGrupServ D CORRPRECGRUP 001", "UpdGrupServ D CORRPRECGRUP 001"}));

    // Every row of the screen's calls names the host's user and the call's
    // request id; the other clerk's change, made on the server itself, neither.
    const auto all = server::history::entries(*sql::openDatabase(db_->target()), {});
    ASSERT_EQ(all.size(), 19U);
    for (const auto& e : all) {
        const bool otherClerk = e.method == "UpdGrupServ" && e.oldValues.find("Noturno 24h") != std::string::npos &&
                                e.newValues.find("Noturno (outro)") != std::string::npos;
        EXPECT_EQ(e.user, otherClerk ? "" : "Maria José") << e.method;
        EXPECT_EQ(e.requestId.empty(), otherClerk) << e.method;
    }
}

} // namespace
} // namespace gsf::screen::test
