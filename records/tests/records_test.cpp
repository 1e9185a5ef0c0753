#include "records/records.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace gsf::records {
namespace {

using ::testing::HasSubstr;

TEST(FieldRules, CharactersAndLengthFollowTheScreensMasks)
{
    // Branch: the mask's letters (ASCII only) and digits, four at most.
    EXPECT_EQ(textProblem(branchField(), "0001"), "");
    EXPECT_EQ(textProblem(branchField(), "CA01"), "");
    EXPECT_EQ(textProblem(branchField(), "ÇA01"), "use apenas letras, dígitos e espaços.");
    EXPECT_EQ(textProblem(branchField(), ""), "");
    EXPECT_EQ(textProblem(branchField(), "00-1"), "use apenas letras, dígitos e espaços.");
    EXPECT_EQ(textProblem(branchField(), "00001"), "no máximo 4 caracteres.");
    // Service: digits only; a letter or a sign is refused.
    EXPECT_EQ(textProblem(serviceField(), "00010"), "");
    EXPECT_EQ(textProblem(serviceField(), "0001A"), "use apenas dígitos e espaços.");
    EXPECT_EQ(textProblem(registrationField(), "12ABC34501DE35"), "");
    EXPECT_EQ(textProblem(registrationField(), "529.982.247-25"), "use apenas letras e dígitos.");
    // Group and client codes take any printable character, and sizes count
    // characters, not bytes.
    EXPECT_EQ(textProblem(groupField(), "%_'"), "");
    EXPECT_EQ(textProblem(groupField(), "ção"), "");
    EXPECT_EQ(textProblem(groupField(), "ções"), "no máximo 3 caracteres.");
    EXPECT_EQ(textProblem(cliente().field(Cliente::IDTPIJURCLIE), "FJ"), "no máximo 1 caractere.");
}

TEST(FieldRules, CodeFieldsGiveTheMasksTheScreenTypesThemWith)
{
    EXPECT_EQ(editMask(groupField()), "ccc;0; ");
    EXPECT_EQ(editMask(serviceField()), "99999;0; ");
    EXPECT_EQ(editMask(branchField()), ">aaaa;0; ");
    EXPECT_EQ(editMask(registrationField()), std::string(20, 'a') + ";0; ");
}

TEST(FieldRules, ControlCharactersAndBrokenUtf8AreRefusedInEveryText)
{
    const Field& description = *grupServ().find("DSGRSERVFAT");
    for (const std::string& bad :
         {std::string("a\0b", 3), std::string("a\tb"), std::string("a\x7f"), std::string("a\xc2\x85")})
        EXPECT_EQ(textProblem(description, bad), "caracteres de controle não são permitidos.") << bad;
    for (const char* bad : {"\xff", "\xc3", "\xe0\x80\x80", "\xed\xa0\x80", "\xf4\x90\x80\x80"})
        EXPECT_EQ(textProblem(description, bad), "texto com codificação inválida (UTF-8).");
    EXPECT_TRUE(isCleanText("Vigilância 24h"));
    EXPECT_FALSE(isCleanText(std::string("001\0x", 5)));
    EXPECT_EQ(utf8Length("Não"), 3);
    EXPECT_EQ(utf8Length("\xc3"), -1);
}

TEST(FieldRules, RangesAndChoicesOfTheEditedTables)
{
    const Field& daily = grupServ().field(GrupServ::QTEFETMINIGSF);
    EXPECT_EQ(rangeProblem(daily, 0), "");
    EXPECT_EQ(rangeProblem(daily, 99999.999), "");
    EXPECT_EQ(rangeProblem(daily, -0.001), "deve ser maior ou igual a 0,000.");
    EXPECT_EQ(rangeProblem(daily, 1e308), "deve ser menor ou igual a 99.999,999.");
    const Field& end = corrPrecGrup().field(CorrPrecGrup::VRPEFIMGRUP);
    EXPECT_EQ(rangeProblem(end, 0), "deve ser maior que 0,00%.");
    EXPECT_EQ(rangeProblem(end, 100), "deve ser menor que 100,00%.");
    EXPECT_EQ(rangeProblem(end, 99.99), "");
    EXPECT_EQ(rangeProblem(corrPrecGrup().field(CorrPrecGrup::VRPEINICGRUP), 0), "");

    const Field& flag = servClie().field(ServClie::IDCORREFET);
    for (const char* ok : {"Sim", "Não", "S", "s", "", "   "})
        EXPECT_EQ(choiceProblem(flag, ok), "") << ok;
    for (const char* bad : {"SIM", "Sim ", "N", "x"})
        EXPECT_THAT(choiceProblem(flag, bad), HasSubstr("aceita apenas vazio")) << bad;
}

// Every key of @p Record reaches, by its place, the field of @p table it names.
template <class Record>
void expectKeysInPacketOrder(const Table& table)
{
    SCOPED_TRACE(table.dataset);
    ASSERT_EQ(std::size(Record::all), table.fields.size());
    EXPECT_EQ(Record::count, static_cast<int>(table.fields.size()));
    const std::vector<gsf::data::PacketField> columns = table.packetFields();
    for (std::size_t i = 0; i < table.fields.size(); ++i) {
        const Key& key = Record::all[i];
        EXPECT_EQ(key.position, static_cast<int>(i)) << key.name;
        EXPECT_EQ(&table.field(key), &table.fields[i]) << key.name;
        EXPECT_EQ(table.packetField(key).name, columns[i].name);
        EXPECT_EQ(table.packetField(key).size, columns[i].size);
    }
}

TEST(RecordKeys, EveryKeyReachesItsFieldInThePacketOrderOfItsTable)
{
    expectKeysInPacketOrder<GrupServ>(grupServ());
    expectKeysInPacketOrder<ServClie>(servClie());
    expectKeysInPacketOrder<CorrPrecGrup>(corrPrecGrup());
    expectKeysInPacketOrder<Cliente>(cliente());
    expectKeysInPacketOrder<ParamFilial>(paramFilial());
    expectKeysInPacketOrder<VerifGrupServ>(verifGrupServ());
    expectKeysInPacketOrder<PesqServ>(pesqServ());
    expectKeysInPacketOrder<VerifServ>(verifServ());
    expectKeysInPacketOrder<IntervMaior>(intervMaior());
    expectKeysInPacketOrder<Filial>(filial());
    // The day minimums, Sunday first, are the group's fields after its daily minimum.
    for (std::size_t d = 0; d < std::size(kDayMinimums); ++d)
        EXPECT_EQ(kDayMinimums[d].position, GrupServ::QTEFETMINIGSF.position + 1 + static_cast<int>(d));
}

TEST(RecordKeys, AKeyOfAnotherTableIsRefusedUnlessItNamesTheSameField)
{
    // Same place, same name: the branch is the first field of both.
    EXPECT_EQ(grupServ().field(CorrPrecGrup::CDFILIAL).name, std::string("CDFILIAL"));
    // Same place, another field; and a place the table does not have.
    try {
        grupServ().field(ServClie::NMSERVICO);
        ADD_FAILURE() << "NMSERVICO reached in cdsGrupServ";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "campo NMSERVICO fora do registro cdsGrupServ");
    }
    EXPECT_THROW(corrPrecGrup().field(GrupServ::QTEFMINFERGSF), std::logic_error);
    EXPECT_THROW(intervMaior().packetField(GrupServ::CDFILIAL), std::logic_error);
}

TEST(RecordKeys, TheServersArgumentFieldsKeepTheTablesRulesWithoutTheirFlags)
{
    // An argument is checked like the field, but is not a row's key.
    for (const Field* f : {&branchField(), &clientField(), &groupField(), &serviceField(), &registrationField()}) {
        EXPECT_FALSE(f->key) << f->name;
        EXPECT_FALSE(f->required) << f->name;
    }
    EXPECT_EQ(branchField().size, servClie().field(ServClie::CDFILIAL).size);
    EXPECT_EQ(editMask(branchField()), editMask(servClie().field(ServClie::CDFILIAL)));
    EXPECT_EQ(groupField().size, grupServ().field(GrupServ::CDGRSERVFAT).size);
    EXPECT_EQ(serviceField().chars, servClie().field(ServClie::CDSERVFILI).chars);
    EXPECT_TRUE(servClie().field(ServClie::CDSERVFILI).key);
    EXPECT_FALSE(servClie().field(ServClie::NMSERVICO).stored);
}

} // namespace
} // namespace gsf::records
