// The expectations: `expect WHAT ...` holds or stops the run with
// Status::ExpectFailed, saying what it saw.

#include "platform/data/number_format.h"
#include "platform/host/progress.h"
#include "tools/script/command_support.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

namespace gsf::script {

namespace {

/// End of the bracketed list that starts at @p begin of @p line: one past
/// its closing `]`, brackets inside double-quoted texts not counted; npos
/// when it does not close.
size_t listEnd(const std::string& line, size_t begin)
{
    int depth = 0;
    bool inText = false;
    for (size_t i = begin; i < line.size(); ++i) {
        const char c = line[i];
        if (inText) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inText = false;
        } else if (c == '"') {
            inText = true;
        } else if (c == '[') {
            ++depth;
        } else if (c == ']' && --depth == 0) {
            return i + 1;
        }
    }
    return std::string::npos;
}

/// The texts of a JSON list of texts, or nullopt.
std::optional<std::vector<std::string>> textList(const std::string& text)
{
    const auto list = nlohmann::json::parse(text, nullptr, false);
    if (!list.is_array())
        return std::nullopt;
    std::vector<std::string> out;
    for (const auto& item : list) {
        if (!item.is_string())
            return std::nullopt;
        out.push_back(item.get<std::string>());
    }
    return out;
}

std::optional<data::DataSetState> stateByName(const std::string& name)
{
    for (auto state : {data::DataSetState::Inactive, data::DataSetState::Browse, data::DataSetState::Edit,
                       data::DataSetState::Insert})
        if (data::stateName(state) == name)
            return state;
    return std::nullopt;
}

/// An expected call: the method, and its arguments when the line gives them.
using WantedCall = std::pair<std::string, std::optional<std::vector<std::string>>>;

std::string wantedText(const WantedCall& call)
{
    return call.second ? call.first + " " + argumentList(*call.second) : call.first;
}

} // namespace

void Interpreter::expectMessage(const Words& words, const std::string& /*line*/)
{
    const std::string& wanted = words[2].text;
    const std::string seen = lastShown_.empty() ? "nenhuma mensagem" : inQuotes(lastShown_);
    if (words[1].text == "message")
        expectThat(lastShown_ == wanted, "mensagem " + inQuotes(wanted), seen);
    else
        expectThat(lastShown_.rfind(wanted, 0) == 0, "mensagem começando por " + inQuotes(wanted), seen);
}

void Interpreter::expectEnabled(const Words& words, const std::string& /*line*/)
{
    const std::string& what = words[1].text;
    const bool wanted = what == "enabled";
    for (size_t i = 2; i < words.size(); ++i)
        expectThat(enabledByName(words[i].text) == wanted, words[i].text + " " + what,
                   words[i].text + (wanted ? " disabled" : " enabled"));
}

void Interpreter::expectChecked(const Words& words, const std::string& /*line*/)
{
    const std::string& what = words[1].text;
    const bool wanted = what == "checked";
    for (size_t i = 2; i < words.size(); ++i)
        expectThat(menuItem(words[i].text).Checked() == wanted, words[i].text + " " + what,
                   words[i].text + (wanted ? " unchecked" : " checked"));
}

void Interpreter::expectText(const Words& words, const std::string& /*line*/)
{
    // Either what the box shows or its value: a masked edit shows "__.___" when empty.
    const auto& edit = controlOf<ui::Edit>(words[2].text, "campo de texto");
    const std::string& wanted = words[3].text;
    const bool differ = edit.Text() != edit.EditText();
    expectThat(edit.EditText() == wanted || edit.Text() == wanted, edit.Name() + " = " + inQuotes(wanted),
               edit.Name() + " = " + inQuotes(edit.EditText()) +
                   (differ ? " (valor " + inQuotes(edit.Text()) + ")" : ""));
}

void Interpreter::expectPage(const Words& words, const std::string& /*line*/)
{
    auto& page = controlOf<ui::TabSheet>(words[2].text, "página");
    const ui::TabSheet* active = page.Pages().ActivePage();
    expectThat(page.IsActive(), "página " + page.Name(),
               "página " + (active ? active->Name() : std::string("nenhuma")));
}

void Interpreter::expectFocus(const Words& words, const std::string& /*line*/)
{
    auto& control = controlOf<ui::Control>(words[2].text, "controle");
    const ui::Control* focused = openForm().FocusedControl();
    expectThat(focused == &control, "foco em " + control.Name(),
               "foco em " + (focused ? focused->Name() : std::string("nenhum controle")));
}

void Interpreter::expectState(const Words& words, const std::string& /*line*/)
{
    const data::DataSet& set = dataSet(words[2].text);
    const auto state = stateByName(words[3].text);
    if (!state)
        fail(Status::BadScript, "estado desconhecido \"" + words[3].text + "\" (inactive, browse, edit, insert)");
    expectThat(set.State() == *state, set.Name() + " em " + words[3].text,
               set.Name() + " em " + data::stateName(set.State()));
}

void Interpreter::expectField(const Words& words, const std::string& /*line*/)
{
    const std::string& path = words[2].text;
    const size_t dot = path.find('.');
    if (dot == std::string::npos)
        fail(Status::BadScript, "uso: expect field DATASET.CAMPO VALOR");
    const data::DataSet& set = dataSet(path.substr(0, dot));
    const data::Field* field = set.FindField(path.substr(dot + 1));
    if (field == nullptr)
        fail(Status::BadScript, set.Name() + " não tem o campo \"" + path.substr(dot + 1) + "\"");
    if (!set.Active() || set.IsEmpty())
        expectThat(false, path + " = " + words[3].text, set.Name() + " sem registro corrente");
    const Word& wanted = words[3];
    const std::string seen = field->IsNull() ? "null" : inQuotes(field->AsString());
    bool holds = false;
    if (wanted.text == "null" && !wanted.quoted) {
        holds = field->IsNull();
    } else if (field->DataType() == data::FieldType::Float) {
        const auto number = data::parseNumber(wanted.text);
        if (!number)
            fail(Status::BadScript, "\"" + wanted.text + "\" não é um número");
        holds = !field->IsNull() && std::fabs(field->AsFloat() - *number) < 1e-9;
    } else {
        holds = !field->IsNull() && field->AsString() == wanted.text;
    }
    expectThat(holds, path + " = " + (wanted.quoted ? inQuotes(wanted.text) : wanted.text), path + " = " + seen);
}

void Interpreter::expectCount(const Words& words, const std::string& /*line*/)
{
    const data::DataSet& set = dataSet(words[2].text);
    const bool zero = words[3].text == "0";
    const auto count = zero ? std::optional<int>(0) : positiveNumber(words[3].text);
    if (!count)
        fail(Status::BadScript, "contagem inválida \"" + words[3].text + "\"");
    const bool rows = words[1].text == "count";
    const int seen = !set.Active() ? 0 : rows ? set.RecordCount() : set.ChangeCount();
    const std::string unit = rows ? " registro(s)" : " alteração(ões) pendente(s)";
    expectThat(seen == *count, set.Name() + " com " + words[3].text + unit,
               set.Name() + " com " + std::to_string(seen) + unit);
}

void Interpreter::expectCell(const Words& words, const std::string& /*line*/)
{
    const auto& grid = controlOf<ui::DBGrid>(words[2].text, "grade");
    const auto row = positiveNumber(words[3].text);
    if (!row)
        fail(Status::BadScript, "uso: expect cell GRADE LINHA COLUNA TEXTO (LINHA a partir de 1)");
    const int column = columnOf(grid, words[4].text);
    const std::string what =
        grid.Name() + " linha " + words[3].text + " coluna " + grid.ColumnAt(column).FieldName() + " = ";
    if (*row > grid.RowCount())
        expectThat(false, what + inQuotes(words[5].text),
                   "a grade com " + std::to_string(grid.RowCount()) + " linha(s)");
    const std::string shown = grid.CellText(*row - 1, column);
    expectThat(shown == words[5].text, what + inQuotes(words[5].text), what + inQuotes(shown));
}

void Interpreter::expectColumn(const Words& words, const std::string& /*line*/)
{
    const auto& grid = controlOf<ui::DBGrid>(words[2].text, "grade");
    const int selected = grid.SelectedIndex();
    const std::string seen = selected >= 0 ? grid.ColumnAt(selected).FieldName() : std::string("nenhuma");
    expectThat(seen == words[3].text, grid.Name() + " na coluna " + words[3].text, grid.Name() + " na coluna " + seen);
}

void Interpreter::expectUnit(const Words& words, const std::string& /*line*/)
{
    const std::string& name = words[2].text;
    const std::string& wanted = words[3].text;
    for (const UnitValue& item : session_.unitState()) {
        if (item.name != name)
            continue;
        const bool flag = std::holds_alternative<bool>(item.value);
        const std::string seen =
            flag ? (std::get<bool>(item.value) ? "true" : "false") : inQuotes(std::get<std::string>(item.value));
        expectThat(seen == (flag ? wanted : inQuotes(wanted)), name + " = " + wanted, name + " = " + seen);
        return;
    }
    fail(Status::BadScript, "estado da tela desconhecido \"" + name + "\"");
}

void Interpreter::expectProgress(const Words& words, const std::string& /*line*/)
{
    if (words[2].text != "shown" && words[2].text != "hidden")
        fail(Status::BadScript, "uso: expect progress shown|hidden");
    const bool shown = host::ShowAviActive();
    expectThat(shown == (words[2].text == "shown"), "indicador de progresso " + words[2].text,
               std::string("indicador de progresso ") + (shown ? "shown" : "hidden"));
}

void Interpreter::expectCalls(const Words& words, const std::string& line)
{
    const std::string& what = words[1].text;
    if (what == "nocalls" && words.size() != 2)
        fail(Status::BadScript, "número de argumentos errado para \"expect nocalls\"");
    if (what == "calls" && words.size() < 3)
        fail(Status::BadScript, "número de argumentos errado para \"expect calls\"");
    // Each method may be followed by its arguments written as the call line
    // prints them, ["A", "B"]: read from the line as written, up to the
    // closing bracket, whatever blanks and quotes it holds.
    std::vector<WantedCall> wanted;
    size_t resume = 0;
    for (size_t i = 2; i < words.size(); ++i) {
        const Word& word = words[i];
        if (word.begin < resume)
            continue;
        if (line[word.begin] != '[') {
            wanted.push_back({word.text, std::nullopt});
            continue;
        }
        if (wanted.empty() || wanted.back().second)
            fail(Status::BadScript, "lista de argumentos sem método antes dela em \"expect calls\"");
        resume = listEnd(line, word.begin);
        auto args = resume == std::string::npos ? std::nullopt : textList(line.substr(word.begin, resume - word.begin));
        if (!args)
            fail(Status::BadScript, "lista de argumentos inválida em \"expect calls\" (use [\"A\", \"B\"])");
        wanted.back().second = std::move(*args);
    }
    std::vector<Call> seen;
    seen.swap(callsSinceExpect_);
    bool holds = seen.size() == wanted.size();
    for (size_t i = 0; holds && i < seen.size(); ++i)
        holds = seen[i].method == wanted[i].first && (!wanted[i].second || seen[i].args == *wanted[i].second);
    if (holds)
        return;
    // The calls seen show their arguments where the expected ones name them.
    std::vector<std::string> expectedText;
    std::transform(wanted.begin(), wanted.end(), std::back_inserter(expectedText), wantedText);
    // Past the end of the expected ones, the extra calls show theirs when any expected one does.
    const bool anyArgs = std::any_of(wanted.begin(), wanted.end(), [](const auto& w) { return w.second.has_value(); });
    std::vector<std::string> seenText;
    for (size_t i = 0; i < seen.size(); ++i) {
        const bool withArgs = i < wanted.size() ? wanted[i].second.has_value() : anyArgs;
        seenText.push_back(withArgs ? seen[i].method + " " + argumentList(seen[i].args) : seen[i].method);
    }
    expectThat(false, "chamadas: " + joined(expectedText, "nenhuma"), "chamadas: " + joined(seenText, "nenhuma"));
}

} // namespace gsf::script
