// Commands for what the person does on the screen: every one goes through
// the dispatcher, as a click or a key does on the desktop.

#include "platform/host/dispatcher.h"
#include "tools/script/command_support.h"
#include "tools/script/state_dump.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace gsf::script {

namespace {

std::optional<int> keyCode(std::string name)
{
    static const std::map<std::string, int> keys = {
        {"tab", ui::VK_TAB},     {"enter", ui::VK_RETURN},  {"return", ui::VK_RETURN}, {"escape", ui::VK_ESCAPE},
        {"esc", ui::VK_ESCAPE},  {"up", ui::VK_UP},         {"down", ui::VK_DOWN},     {"left", ui::VK_LEFT},
        {"right", ui::VK_RIGHT}, {"delete", ui::VK_DELETE}, {"insert", ui::VK_INSERT}, {"home", ui::VK_HOME},
        {"end", ui::VK_END},     {"pageup", ui::VK_PRIOR},  {"pagedown", ui::VK_NEXT}, {"backspace", ui::VK_BACK}};
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (auto found = keys.find(name); found != keys.end())
        return found->second;
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
        return std::toupper(static_cast<unsigned char>(name[0]));
    if (name.size() >= 2 && name[0] == 'f') {
        if (auto number = positiveNumber(name.substr(1)); number && *number <= 12)
            return ui::VK_F1 + *number - 1;
    }
    return std::nullopt;
}

/// The one code point of @p text when it holds exactly one (valid UTF-8).
std::optional<char32_t> singleCodePoint(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    const auto lead = static_cast<unsigned char>(text[0]);
    size_t length = 1;
    char32_t cp = lead;
    if (lead >= 0xF0 && lead < 0xF8) {
        length = 4;
        cp = lead & 0x07;
    } else if (lead >= 0xE0) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xC2) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0x80) {
        return std::nullopt;
    }
    if (text.size() != length)
        return std::nullopt;
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        cp = (cp << 6) | (next & 0x3F);
    }
    return cp;
}

} // namespace

void Interpreter::openCommand(const Words& words, const std::string& /*line*/)
{
    const bool open = words[0].text == "open";
    dispatcher().run([&] {
        open ? session_.open() : session_.iniProc();
        return true;
    });
}

void Interpreter::closeCommand(const Words& /*words*/, const std::string& /*line*/)
{
    openForm();
    dispatcher().close();
}

void Interpreter::windowCommand(const Words& words, const std::string& /*line*/)
{
    ui::Form& form = openForm();
    const auto state = words[0].text == "minimize" ? ui::WindowState::Minimized : ui::WindowState::Maximized;
    dispatcher().run([&] {
        form.SetWindowState(state);
        return true;
    });
}

void Interpreter::focusCommand(const Words& words, const std::string& /*line*/)
{
    dispatcher().focus(reachable<ui::Control>(words[1].text, "controle"));
}

void Interpreter::typeCommand(const Words& words, const std::string& /*line*/)
{
    dispatcher().typeText(reachable<ui::Edit>(words[1].text, "campo de texto"), words[2].text);
}

void Interpreter::keyCommand(const Words& words, const std::string& /*line*/)
{
    if (words.size() < 2)
        fail(Status::BadScript, "uso: key TECLA [ctrl] [shift] [alt]");
    const auto key = keyCode(words[1].text);
    if (!key)
        fail(Status::BadScript, "tecla desconhecida \"" + words[1].text + "\"");
    static const std::map<std::string, unsigned> modifiers = {
        {"ctrl", ui::ShiftState::Ctrl}, {"shift", ui::ShiftState::Shift}, {"alt", ui::ShiftState::Alt}};
    unsigned shift = 0;
    for (size_t i = 2; i < words.size(); ++i) {
        const auto modifier = modifiers.find(words[i].text);
        if (modifier == modifiers.end())
            fail(Status::BadScript, "modificador desconhecido \"" + words[i].text + "\"");
        shift |= modifier->second;
    }
    openForm();
    dispatcher().keyDown(*key, ui::ShiftState(shift));
}

void Interpreter::charCommand(const Words& words, const std::string& /*line*/)
{
    const auto ch = words.size() == 2 ? singleCodePoint(words[1].text) : std::nullopt;
    if (!ch)
        fail(Status::BadScript, "uso: char C (um único caractere)");
    openForm();
    dispatcher().keyPress(*ch);
}

void Interpreter::clickCommand(const Words& words, const std::string& /*line*/)
{
    dispatcher().click(reachable<ui::SpeedButton>(words[1].text, "botão"));
}

void Interpreter::menuCommand(const Words& words, const std::string& /*line*/)
{
    ui::MenuItem& item = menuItem(words[1].text);
    for (const ui::MenuItem* entry = &item; entry != nullptr; entry = entry->Parent())
        if (!entry->Visible())
            fail(Status::BadScript,
                 item.Name() + " não está à vista: a entrada de menu " + entry->Name() + " está oculta");
    dispatcher().clickMenu(item);
}

void Interpreter::tabCommand(const Words& words, const std::string& /*line*/)
{
    auto& page = controlOf<ui::TabSheet>(words[1].text, "página");
    // The tab of a page is clicked on its page control, in front or not.
    if (!page.Visible())
        fail(Status::BadScript, page.Name() + " não está à vista: a página está oculta");
    requireShowing(page.Pages());
    dispatcher().selectTab(page);
}

void Interpreter::cellCommand(const Words& words, const std::string& /*line*/)
{
    if (words.size() != 3 && words.size() != 4)
        fail(Status::BadScript, "uso: cell GRADE COLUNA [TEXTO]");
    auto& grid = reachable<ui::DBGrid>(words[1].text, "grade");
    const int column = columnOf(grid, words[2].text);
    if (dispatcher().selectColumn(grid.Name(), column) == host::Outcome::Done && words.size() == 4)
        dispatcher().typeCell(grid.Name(), words[3].text);
}

void Interpreter::rowCommand(const Words& words, const std::string& /*line*/)
{
    const auto row = words.size() == 3 ? positiveNumber(words[2].text) : std::nullopt;
    if (!row)
        fail(Status::BadScript, "uso: row GRADE N (N a partir de 1)");
    auto& grid = reachable<ui::DBGrid>(words[1].text, "grade");
    if (*row > grid.RowCount())
        fail(Status::BadScript, "a grade " + grid.Name() + " não tem a linha " + words[2].text + " (tem " +
                                    std::to_string(grid.RowCount()) + ")");
    dispatcher().moveToRow(grid.Name(), *row - 1);
}

void Interpreter::navCommand(const Words& words, const std::string& /*line*/)
{
    const auto& buttons = navigatorButtons();
    const auto found =
        words.size() == 2 || words.size() == 3
            ? std::find_if(buttons.begin(), buttons.end(), [&](const auto& b) { return words[1].text == b.first; })
            : buttons.end();
    if (found == buttons.end())
        fail(Status::BadScript, "uso: nav first|prior|next|last [NAVEGADOR]");
    ui::DBNavigator& navigator =
        words.size() == 3 ? controlOf<ui::DBNavigator>(words[2].text, "navegador") : onlyNavigator();
    requireShowing(navigator);
    dispatcher().run([&] { return navigator.Click(found->second); });
}

void Interpreter::buttonCommand(const Words& words, const std::string& /*line*/)
{
    dispatcher().clickCellButton(reachable<ui::DBGrid>(words[1].text, "grade").Name());
}

void Interpreter::chooseCommand(const Words& words, const std::string& /*line*/)
{
    dispatcher().choosePick(reachable<ui::DBGrid>(words[1].text, "grade").Name(), words[2].text);
}

} // namespace gsf::script
