// The screen's fields and masks against the record declarations the server
// checks: whatever a clerk can type into a code must pass the server's
// argument and delta checks, and whatever the server takes must be typeable.

#include "platform/data/dataset.h"
#include "platform/ui/edit_mask.h"
#include "records/records.h"
#include "screen/shell/dataset_definitions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gsf::screen {
namespace {

struct Layout {
    void (*define)(data::DataSet&);
    const records::Table& (*table)();
};

const std::vector<Layout>& layouts()
{
    static const std::vector<Layout> all = {
        {defineGrupServ, records::grupServ},           {defineServClie, records::servClie},
        {defineCorrPrecGrup, records::corrPrecGrup},   {defineCliente, records::cliente},
        {definePesqServ, records::pesqServ},           {defineVerifServ, records::verifServ},
        {defineVerifGrupServ, records::verifGrupServ}, {defineParamFilial, records::paramFilial},
        {defineIntervMaior, records::intervMaior},     {defineFilial, records::filial},
    };
    return all;
}

TEST(RecordRules, EveryDatasetHasTheFieldsOfItsRecordInPacketOrder)
{
    for (const Layout& layout : layouts()) {
        data::DataSet ds("ds");
        layout.define(ds);
        const records::Table& table = layout.table();
        ASSERT_EQ(ds.FieldCount(), static_cast<int>(table.fields.size())) << table.dataset;
        for (int i = 0; i < ds.FieldCount(); ++i) {
            const data::FieldDef& def = ds.FieldAt(i).Def();
            const records::Field& rec = table.fields[static_cast<size_t>(i)];
            SCOPED_TRACE(std::string(table.dataset) + "." + rec.name);
            EXPECT_EQ(def.name, rec.name);
            EXPECT_EQ(def.type, rec.type);
            if (rec.isNumber()) {
                EXPECT_EQ(def.decimals, rec.decimals);
                if (!def.displayFormat.empty()) {
                    EXPECT_EQ(def.displayFormat, rec.format);
                }
            } else {
                EXPECT_EQ(def.size, rec.size);
            }
        }
    }
}

// Characters a clerk may type or paste: ASCII, accented letters, blanks,
// control characters of both ranges and a character outside Latin-1.
std::vector<char32_t> candidates()
{
    std::vector<char32_t> all;
    for (char32_t c = 0x20; c < 0x7F; ++c)
        all.push_back(c);
    for (char32_t c : {U'\t', U'\n', U'\x7F', U'\u0085', U'Ç', U'ã', U'é', U'ß', U'€'})
        all.push_back(c);
    return all;
}

// What the mask keeps of one typed character, at the first place.
std::string typedThroughMask(const ui::EditMask& mask, char32_t ch)
{
    const std::string edit = mask.Fit(ui::utf8Encode(ch));
    return mask.TextOf(edit);
}

void expectMaskTypesExactlyWhatTheServerTakes(const std::string& mask, const records::Field& field)
{
    const ui::EditMask m(mask);
    for (char32_t ch : candidates()) {
        const std::string typed = ui::utf8Encode(ch);
        const std::string kept = typedThroughMask(m, ch);
        SCOPED_TRACE(std::string(field.name) + " U+" + std::to_string(static_cast<unsigned>(ch)));
        if (kept.find_first_not_of(' ') == std::string::npos) {
            // Refused by the mask: the server refuses it too (a blank is an empty place).
            if (ch != U' ') {
                EXPECT_NE(records::textProblem(field, typed), "");
            }
        } else {
            // Kept (perhaps upper-cased): the server takes what the mask kept.
            EXPECT_EQ(records::textProblem(field, kept), "") << kept;
        }
    }
}

TEST(RecordRules, CodeMasksTypeExactlyTheCharactersTheServerTakes)
{
    data::DataSet groups("cdsGrupServ");
    defineGrupServ(groups);
    expectMaskTypesExactlyWhatTheServerTakes(groups.FieldByName("CDGRSERVFAT").Def().editMask, records::groupField());
    data::DataSet services("cdsServClie");
    defineServClie(services);
    expectMaskTypesExactlyWhatTheServerTakes(services.FieldByName("CDSERVFILI").Def().editMask,
                                             records::serviceField());
    expectMaskTypesExactlyWhatTheServerTakes(records::editMask(records::branchField()), records::branchField());
}

TEST(RecordRules, MasksHoldNoMoreCharactersThanTheServerTakes)
{
    const std::string tooLong = "ABCDEFGHIJ";
    for (const records::Field* field : {&records::branchField(), &records::groupField()}) {
        const ui::EditMask m(records::editMask(*field));
        const std::string kept = m.TextOf(m.Fit(tooLong));
        EXPECT_EQ(records::utf8Length(kept), field->size) << field->name;
        EXPECT_EQ(records::textProblem(*field, kept), "") << field->name;
    }
}

} // namespace
} // namespace gsf::screen
