#include "platform/host/lookup.h"

#include "platform/data/dataset.h"
#include "platform/data/number_format.h"
#include "platform/host/host_context.h"
#include "platform/ui/edit_mask.h"

namespace gsf::host {

namespace {

const char* const standardEmptyText = "Não há registro cadastrado.";

// The base letter of each Latin-1 letter from U+00C0 on, lower case; 0 for × and ÷.
constexpr char32_t latin1Base[64] = {U'a', U'a', U'a', U'a', U'a', U'a', U'æ', U'c', U'e', U'e', U'e', U'e', U'i',
                                     U'i', U'i', U'i', U'ð', U'n', U'o', U'o', U'o', U'o', U'o', 0,    U'ø', U'u',
                                     U'u', U'u', U'u', U'y', U'þ', U'ß', U'a', U'a', U'a', U'a', U'a', U'a', U'æ',
                                     U'c', U'e', U'e', U'e', U'e', U'i', U'i', U'i', U'i', U'ð', U'n', U'o', U'o',
                                     U'o', U'o', U'o', 0,    U'ø', U'u', U'u', U'u', U'u', U'y', U'þ', U'y'};

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

std::string foldForSearch(const std::string& text)
{
    std::u32string out;
    for (char32_t ch : ui::utf8Decode(text)) {
        if (ch >= U'A' && ch <= U'Z')
            ch += U'a' - U'A';
        else if (ch >= 0xC0 && ch <= 0xFF && latin1Base[ch - 0xC0] != 0)
            ch = latin1Base[ch - 0xC0];
        out.push_back(ch);
    }
    return ui::utf8Encode(out);
}

bool findRow(data::DataSet& dataSet, const std::string& fieldName, const std::string& value)
{
    if (!dataSet.Active())
        return false;
    const data::Field& field = dataSet.FieldByName(fieldName);
    if (field.DataType() == data::FieldType::Float) {
        // A text that is no number cannot equal any row.
        const auto number = data::parseNumber(value);
        return number && dataSet.Locate(fieldName, data::Value(*number), false);
    }
    if (value.empty())
        return false;
    // An exact value finds the row it always found, even when an earlier row
    // merely begins with it.
    if (dataSet.Locate(fieldName, data::Value(value), true))
        return true;
    const std::string wanted = foldForSearch(value);
    for (int row = 0; row < dataSet.RecordCount(); ++row) {
        const data::Value cell = dataSet.ValueAt(row, field.Index());
        const auto* stored = std::get_if<std::string>(&cell);
        if ((stored != nullptr && startsWith(foldForSearch(*stored), wanted)) ||
            startsWith(foldForSearch(dataSet.DisplayTextAt(row, field)), wanted)) {
            dataSet.MoveTo(row + 1);
            return true;
        }
    }
    return false;
}

bool Pesquisar(data::DataSource& source, const std::string& caption, bool /*multiSelect*/, bool /*showEmpty*/)
{
    const auto bar = caption.find('|');
    const std::string title = caption.substr(0, bar);
    const std::string emptyText = bar == std::string::npos ? standardEmptyText : caption.substr(bar + 1);
    return interaction().pickList(title, emptyText, source).has_value();
}

bool Procura(data::DataSet& dataSet)
{
    return interaction().search(dataSet);
}

void TBtnPesquisa::doClick()
{
    bool proceed = true;
    if (BeforePesq)
        BeforePesq(*this, proceed);
    if (!proceed)
        return;
    const std::string emptyText = EmptyText.empty() ? standardEmptyText : EmptyText;
    if (DataSource == nullptr) {
        // No list to show: the person still learns there is nothing to choose.
        interaction().showError(emptyText);
        return;
    }
    if (Pesquisar(*DataSource, Title + "|" + emptyText) && AfterPesq)
        AfterPesq(*this);
}

} // namespace gsf::host
