#include "records/delta_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace gsf::records {
namespace {

using data::ChangeKind;
using data::Delta;
using data::Value;
using ::testing::HasSubstr;

const Value null;

std::vector<Value> group(std::string code, Value description = std::string("Vigilância"), Value daily = 2.0)
{
    return {
        "0001", "000002", std::move(code),     std::move(description), std::move(daily), 1.0, 2.0, 2.0, 2.0, 2.0, 3.0,
        1.0,    1.0,      std::string("00010")};
}

Delta groupDelta(ChangeKind kind, std::vector<Value> oldValues, std::vector<Value> newValues)
{
    return {grupServ().packetFields(), {{kind, std::move(oldValues), std::move(newValues)}}};
}

Delta intervalDelta(ChangeKind kind, std::vector<Value> oldValues, std::vector<Value> newValues)
{
    return {corrPrecGrup().packetFields(), {{kind, std::move(oldValues), std::move(newValues)}}};
}

std::vector<Value> interval(Value start, Value end, Value correction)
{
    return {"0001", "000002", std::move(start), std::move(end), std::move(correction), "001"};
}

// "malformed: ..." or "rule: ...", "" when accepted.
std::string refusal(const Table& table, const Delta& delta)
{
    try {
        checkDelta(table, delta);
    } catch (const Refusal& r) {
        return std::string(r.GetKind() == Refusal::Kind::Malformed ? "malformed: " : "rule: ") + r.what();
    }
    return "";
}

TEST(DeltaCheck, TheScreensOwnChangesPass)
{
    EXPECT_EQ(refusal(grupServ(), groupDelta(ChangeKind::Insert, {}, group("004"))), "");
    // A new group has no correction service yet; minimums may be left empty.
    auto fresh = group("005");
    fresh.back() = null;
    fresh[5] = null;
    EXPECT_EQ(refusal(grupServ(), groupDelta(ChangeKind::Insert, {}, fresh)), "");
    EXPECT_EQ(refusal(grupServ(), groupDelta(ChangeKind::Update, group("001"), group("001", "Outra"))), "");
    EXPECT_EQ(refusal(grupServ(), groupDelta(ChangeKind::Delete, group("001"), {})), "");
    // The first interval may have neither start nor end.
    EXPECT_EQ(refusal(corrPrecGrup(), intervalDelta(ChangeKind::Insert, {}, interval(null, null, 3.0))), "");
    EXPECT_EQ(refusal(corrPrecGrup(), intervalDelta(ChangeKind::Insert, {}, interval(null, 10.0, 3.0))), "");
    const std::vector<Value> flagged = {"00010", "Vigilância diurna", "S", "001", "0001", "000002"};
    EXPECT_EQ(refusal(servClie(), {servClie().packetFields(), {{ChangeKind::Delete, flagged, {}}}}), "");
}

TEST(DeltaCheck, MalformedDeltasAreToldApartFromBrokenRules)
{
    Delta unknown = groupDelta(ChangeKind::Insert, {}, group("004"));
    unknown.fields[3].name = "NMHACK";
    EXPECT_EQ(refusal(grupServ(), unknown), "malformed: campo desconhecido NMHACK.");

    Delta partial = groupDelta(ChangeKind::Update, group("001"), group("001", "Outra"));
    partial.fields.pop_back();
    partial.changes[0].oldValues.pop_back();
    partial.changes[0].newValues.pop_back();
    EXPECT_THAT(refusal(grupServ(), partial), HasSubstr("malformed: falta o campo CDSERAJEFEGSF"));
    // An insert may leave out what is not required, not a key nor the description.
    partial.changes[0] = {ChangeKind::Insert, {}, partial.changes[0].newValues};
    EXPECT_EQ(refusal(grupServ(), partial), "");
    Delta noDescription = groupDelta(ChangeKind::Insert, {}, group("004"));
    noDescription.fields.erase(noDescription.fields.begin() + 3);
    noDescription.changes[0].newValues.erase(noDescription.changes[0].newValues.begin() + 3);
    EXPECT_EQ(refusal(grupServ(), noDescription), "malformed: falta o campo DSGRSERVFAT.");

    EXPECT_THAT(refusal(grupServ(), groupDelta(ChangeKind::Insert, {}, group("004", 7.0))),
                HasSubstr("malformed: alteração 1: o campo DSGRSERVFAT deve ser um texto."));
    EXPECT_THAT(refusal(grupServ(), groupDelta(ChangeKind::Insert, {}, group("004", std::string(31, 'x')))),
                HasSubstr("malformed: alteração 1: campo DSGRSERVFAT: no máximo 30 caracteres."));
    auto nul = group("001");
    nul[2] = std::string("001\0x", 5);
    EXPECT_THAT(refusal(grupServ(), groupDelta(ChangeKind::Delete, nul, {})),
                HasSubstr("malformed: alteração 1: valor original do campo CDGRSERVFAT"));
}

TEST(DeltaCheck, RowRulesNameTheRowAndTheField)
{
    EXPECT_EQ(refusal(grupServ(), groupDelta(ChangeKind::Insert, {}, group("004", "  "))),
              "rule: Inclusão do grupo 004: o campo DSGRSERVFAT (descrição) deve ser informado.");
    EXPECT_EQ(refusal(grupServ(), groupDelta(ChangeKind::Update, group("001"), group("001", "V", -1.0))),
              "rule: Alteração do grupo 001: o campo QTEFETMINIGSF (mínimo de efetivos por dia) deve ser maior ou "
              "igual a 0,000.");
    auto moved = group("001");
    moved[1] = std::string("000003");
    EXPECT_EQ(refusal(grupServ(), groupDelta(ChangeKind::Update, group("001"), moved)),
              "rule: Alteração do grupo 001: o campo CDCLIENTE (cliente) não pode ser alterado: ele identifica o "
              "registro.");
    EXPECT_EQ(refusal(corrPrecGrup(), intervalDelta(ChangeKind::Insert, {}, interval(10.0, 10.0, 3.0))),
              "rule: Inclusão do intervalo de 10,00% a 10,00%: o campo VRPEFIMGRUP (fim do intervalo) deve ser "
              "maior que o campo VRPEINICGRUP (início do intervalo) (10,00%).");
    EXPECT_THAT(refusal(corrPrecGrup(), intervalDelta(ChangeKind::Insert, {}, interval(0.0, null, 3.0))),
                HasSubstr("VRPEFIMGRUP (fim do intervalo) deve ser informado quando"));
    EXPECT_THAT(refusal(corrPrecGrup(), intervalDelta(ChangeKind::Insert, {}, interval(0.0, 10.0, null))),
                HasSubstr("VRPECORRGRUP (percentual de correção) deve ser informado."));
    // With more than one change, the message also says which one.
    Delta two = groupDelta(ChangeKind::Insert, {}, group("004"));
    two.changes.push_back({ChangeKind::Insert, {}, group("005", "")});
    EXPECT_THAT(refusal(grupServ(), two), HasSubstr("Inclusão do grupo 005 (item 2 do pacote)"));
}

TEST(DeltaCheck, NewNumbersAreRoundedAsShownAndOldOnesKept)
{
    const Delta stored =
        checkDelta(corrPrecGrup(), intervalDelta(ChangeKind::Insert, {}, interval(50.0, 60.125, 1.005)));
    EXPECT_EQ(std::get<double>(stored.changes[0].newValues[3]), 60.13);
    EXPECT_EQ(std::get<double>(stored.changes[0].newValues[4]), 1.01);

    // An older row with more decimals: its original values and the fields the
    // update leaves alone stay exactly as stored.
    const auto old = interval(50.0, 60.123, 3.0);
    const Delta edited =
        checkDelta(corrPrecGrup(), intervalDelta(ChangeKind::Update, old, interval(50.0, 60.123, 2.5556)));
    EXPECT_EQ(std::get<double>(edited.changes[0].oldValues[3]), 60.123);
    EXPECT_EQ(std::get<double>(edited.changes[0].newValues[3]), 60.123);
    EXPECT_EQ(std::get<double>(edited.changes[0].newValues[4]), 2.56);

    // The rules judge the value that would be stored: 99,996 is 100,00%.
    EXPECT_THAT(refusal(corrPrecGrup(), intervalDelta(ChangeKind::Insert, {}, interval(50.0, 99.996, 3.0))),
                HasSubstr("deve ser menor que 100,00%"));
    EXPECT_EQ(refusal(grupServ(), groupDelta(ChangeKind::Insert, {}, group("004", "X", -0.0004))), "");
}

} // namespace
} // namespace gsf::records
