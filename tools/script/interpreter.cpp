#include "tools/script/interpreter.h"

#include "platform/data/number_format.h"
#include "platform/host/dispatcher.h"
#include "platform/host/lookup.h"
#include "platform/host/progress.h"
#include "platform/remote/connection.h"
#include "platform/ui/ui.h"
#include "tools/script/state_dump.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <istream>
#include <map>
#include <ostream>

namespace gsf::script {

namespace {

std::string inQuotes(const std::string& text) { return "\"" + text + "\""; }

std::string joined(const std::vector<std::string>& items, const std::string& empty)
{
    if (items.empty())
        return empty;
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : " ") + item;
    return out;
}

std::string argumentList(const std::vector<std::string>& args)
{
    std::string out;
    for (const std::string& arg : args)
        out += (out.empty() ? "" : ", ") + inQuotes(arg);
    return "[" + out + "]";
}

std::string callLine(const remote::CallLogEntry& entry)
{
    return "call " + entry.method + " " + argumentList(entry.args);
}

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

/// What `fail` sends when the script names only the method, or only the
/// status: the code and text the server itself answers with for that status.
Refusal defaultRefusal(const std::string& method, int status)
{
    static const std::map<int, std::string> codes = {
        {400, "bad_request"}, {401, "unauthorized"}, {404, "not_found"}, {409, "conflict"},
        {413, "too_large"},   {422, "invalid"},      {503, "busy"}};
    const auto code = codes.find(status);
    Refusal refusal{status, code != codes.end() ? code->second : "server_error", ""};
    if (status == 409)
        refusal.message = kConflictText;
    else if (status == 503)
        refusal.message = "O banco de dados está ocupado. Tente novamente em instantes.";
    else
        refusal.message = "Falha provocada pelo roteiro na chamada de " + method + ".";
    return refusal;
}

/// Positive whole number written in decimal digits only, or nullopt.
std::optional<int> positiveNumber(const std::string& text)
{
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int value = std::stoi(text);
    return value > 0 ? std::optional<int>(value) : std::nullopt;
}

std::optional<int> keyCode(std::string name)
{
    static const std::map<std::string, int> keys = {
        {"tab", ui::VK_TAB},       {"enter", ui::VK_RETURN},   {"return", ui::VK_RETURN},
        {"escape", ui::VK_ESCAPE}, {"esc", ui::VK_ESCAPE},     {"up", ui::VK_UP},
        {"down", ui::VK_DOWN},     {"left", ui::VK_LEFT},      {"right", ui::VK_RIGHT},
        {"delete", ui::VK_DELETE}, {"insert", ui::VK_INSERT},  {"home", ui::VK_HOME},
        {"end", ui::VK_END},       {"pageup", ui::VK_PRIOR},   {"pagedown", ui::VK_NEXT},
        {"backspace", ui::VK_BACK}};
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

std::optional<data::DataSetState> stateByName(const std::string& name)
{
    for (auto state : {data::DataSetState::Inactive, data::DataSetState::Browse,
                       data::DataSetState::Edit, data::DataSetState::Insert})
        if (data::stateName(state) == name)
            return state;
    return std::nullopt;
}

data::DataSet* dataSetOf(const ui::Component& component)
{
    data::DataSource* source = nullptr;
    if (const auto* grid = dynamic_cast<const ui::DBGrid*>(&component))
        source = grid->DataSource();
    else if (const auto* edit = dynamic_cast<const ui::DBEdit*>(&component))
        source = edit->DataSource();
    else if (const auto* text = dynamic_cast<const ui::DBText*>(&component))
        source = text->DataSource();
    else if (const auto* navigator = dynamic_cast<const ui::DBNavigator*>(&component))
        source = navigator->DataSource();
    else if (const auto* lookup = dynamic_cast<const host::TBtnPesquisa*>(&component))
        source = lookup->DataSource;
    return source ? source->GetDataSet() : nullptr;
}

} // namespace

std::optional<ServerAddress> parseServerAddress(const std::string& text)
{
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return std::nullopt;
    const auto port = positiveNumber(text.substr(colon + 1));
    if (!port || *port > 65535)
        return std::nullopt;
    return ServerAddress{text.substr(0, colon), *port};
}

/// Ends the run: why, and with which status.
struct Interpreter::Stop {
    Status status;
    std::string message;
};

bool DriverInteraction::confirm(const std::string& text)
{
    try {
        return ScriptedInteraction::confirm(text);
    } catch (const host::ScriptError& error) {
        unanswered_ = error.what();
        throw;
    }
}

std::optional<int> DriverInteraction::pickList(const std::string& title,
                                               const std::string& emptyText,
                                               data::DataSource& source)
{
    try {
        return ScriptedInteraction::pickList(title, emptyText, source);
    } catch (const host::ScriptError& error) {
        unanswered_ = error.what();
        throw;
    }
}

bool DriverInteraction::search(data::DataSet& dataSet)
{
    try {
        return ScriptedInteraction::search(dataSet);
    } catch (const host::ScriptError& error) {
        unanswered_ = error.what();
        throw;
    }
}

Interpreter::Interpreter(ScreenSession& session, std::ostream& out, std::ostream& diagnostics)
    : session_(session), out_(out), diagnostics_(diagnostics), scope_(interaction_),
      idleForm_(std::make_unique<ui::Form>("frmScript"))
{
    interaction_.onLine = [this](const std::string& line) { onLine(line); };
}

Interpreter::~Interpreter() { interaction_.onLine = nullptr; }

Status Interpreter::run(std::istream& in)
{
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        if (auto stop = runLine(line, ++number))
            return *stop;
    }
    return finish();
}

std::optional<Status> Interpreter::runLine(const std::string& line, int number)
{
    try {
        Words words;
        try {
            words = splitLine(line);
        } catch (const SyntaxError& error) {
            fail(Status::BadScript, error.what());
        }
        if (words.empty())
            return std::nullopt;
        if (echo_)
            print("> " + line);
        execute(words, line);
        afterAction();
        return std::nullopt;
    } catch (const Stop& stop) {
        flushPending();
        diagnostics_ << "linha " << number << ": " << stop.message << std::endl;
        return stop.status;
    }
}

Status Interpreter::finish()
{
    flushPending();
    flushCalls();
    std::vector<std::string> problems;
    if (session_.form() != nullptr)
        for (data::DataSet* set : allDataSets())
            if (set->State() == data::DataSetState::Edit || set->State() == data::DataSetState::Insert)
                problems.push_back("edição pendente em " + set->Name() + " (" +
                                   data::stateName(set->State()) + ")");
    if (const int left = interaction_.pendingAnswers(); left > 0)
        problems.push_back(std::to_string(left) + " resposta(s) de diálogo não usada(s)");
    if (problems.empty())
        return Status::Ok;
    for (const std::string& problem : problems)
        diagnostics_ << "fim do roteiro: " << problem << std::endl;
    return Status::Fatal;
}

void Interpreter::execute(const Words& words, const std::string& line)
{
    const std::string& command = words[0].text;
    const auto arity = [&](size_t least, size_t most) {
        if (words.size() - 1 < least || words.size() - 1 > most)
            fail(Status::BadScript, "número de argumentos errado para \"" + command + "\"");
    };
    if (command == "host") {
        hostCommand(words);
    } else if (command == "fail") {
        failCommand(words);
    } else if (command == "server") {
        serverCommand(words);
    } else if (command == "open" || command == "iniproc") {
        arity(0, 0);
        dispatcher().run([&] {
            command == "open" ? session_.open() : session_.iniProc();
            return true;
        });
    } else if (command == "close") {
        arity(0, 0);
        openForm();
        dispatcher().close();
    } else if (command == "minimize" || command == "maximize") {
        arity(0, 0);
        windowCommand(command);
    } else if (command == "focus") {
        arity(1, 1);
        dispatcher().focus(reachable<ui::Control>(words[1].text, "controle"));
    } else if (command == "type") {
        arity(2, 2);
        dispatcher().typeText(reachable<ui::Edit>(words[1].text, "campo de texto"), words[2].text);
    } else if (command == "key") {
        keyCommand(words);
    } else if (command == "char") {
        charCommand(words);
    } else if (command == "click") {
        arity(1, 1);
        dispatcher().click(reachable<ui::SpeedButton>(words[1].text, "botão"));
    } else if (command == "menu") {
        arity(1, 1);
        ui::MenuItem& item = menuItem(words[1].text);
        for (const ui::MenuItem* entry = &item; entry != nullptr; entry = entry->Parent())
            if (!entry->Visible())
                fail(Status::BadScript, item.Name() + " não está à vista: a entrada de menu " + entry->Name() +
                                            " está oculta");
        dispatcher().clickMenu(item);
    } else if (command == "tab") {
        arity(1, 1);
        auto& page = controlOf<ui::TabSheet>(words[1].text, "página");
        // The tab of a page is clicked on its page control, in front or not.
        if (!page.Visible())
            fail(Status::BadScript, page.Name() + " não está à vista: a página está oculta");
        requireShowing(page.Pages());
        dispatcher().selectTab(page);
    } else if (command == "cell") {
        cellCommand(words);
    } else if (command == "row") {
        rowCommand(words);
    } else if (command == "nav") {
        navCommand(words);
    } else if (command == "button") {
        arity(1, 1);
        dispatcher().clickCellButton(reachable<ui::DBGrid>(words[1].text, "grade").Name());
    } else if (command == "choose") {
        arity(2, 2);
        dispatcher().choosePick(reachable<ui::DBGrid>(words[1].text, "grade").Name(), words[2].text);
    } else if (command == "answer" || command == "pick" || command == "find") {
        answerCommand(words);
    } else if (command == "sync") {
        // A program feeding the driver line by line waits for this line: what
        // the commands before it showed is out by then.
        arity(0, 1);
        flushPending();
        flushCalls();
        print(words.size() > 1 ? "sync " + words[1].text : "sync");
    } else if (command == "dump") {
        arity(0, 0);
        flushPending();
        flushCalls();
        print(dumpState(session_.form(), session_.form() ? allDataSets() : std::vector<data::DataSet*>{},
                        session_.unitState(), host::ShowAviActive()));
    } else if (command == "expect") {
        if (words.size() >= 2 && (words[1].text == "calls" || words[1].text == "nocalls"))
            expectCalls(words, line);
        else
            expectCommand(words);
    } else {
        fail(Status::BadScript, "comando desconhecido \"" + command + "\"");
    }
}

void Interpreter::hostCommand(const Words& words)
{
    host::HostContext& context = host::hostContext();
    if (words.size() == 3 && words[1].text == "server") {
        if (words[2].text == "embedded" && server_ == nullptr)
            fail(Status::BadScript, "host server embedded só vale para o servidor embutido (--embedded)");
        // "embedded" names the server inside this process, wherever it listens.
        const auto address = parseServerAddress(words[2].text == "embedded" ? server_->address() : words[2].text);
        if (!address)
            fail(Status::BadScript, "endereço de servidor inválido \"" + words[2].text + "\" (use HOST:PORTA)");
        context.serverHost = address->host;
        context.serverPort = address->port;
        return;
    }
    if (words.size() != 4 || (words[1].text != "free" && words[1].text != "fixed"))
        fail(Status::BadScript, "uso: host free|fixed FILIAL \"NOME\" ou host server HOST:PORTA|embedded");
    context.branchFixed = words[1].text == "fixed";
    context.branchCode = words[2].text;
    context.branchName = words[3].text;
}

void Interpreter::failCommand(const Words& words)
{
    if (words.size() < 2 || words.size() > 5)
        fail(Status::BadScript, "uso: fail MÉTODO[@N] [STATUS [CÓDIGO [MENSAGEM]]]");
    if (server_ == nullptr)
        fail(Status::BadScript, "fail só vale para o servidor embutido (--embedded): um servidor em outro "
                                "processo não recusa chamadas a pedido do roteiro");
    // METHOD@N: the Nth call of the method from now, the ones before it go through.
    std::string method = words[1].text;
    int nth = 1;
    if (const size_t at = method.find('@'); at != std::string::npos) {
        const auto number = positiveNumber(method.substr(at + 1));
        if (!number)
            fail(Status::BadScript, "chamada inválida \"" + method + "\" (use MÉTODO@N, N a partir de 1)");
        nth = *number;
        method.resize(at);
    }
    if (!server_->hasMethod(method))
        fail(Status::BadScript, "método desconhecido \"" + method + "\"");
    int status = 409;
    if (words.size() >= 3) {
        const auto number = positiveNumber(words[2].text);
        // A success status would hand the screen an error body as its data.
        if (!number || *number < 400 || *number > 599)
            fail(Status::BadScript, "status de recusa inválido \"" + words[2].text + "\" (de 400 a 599)");
        status = *number;
    }
    Refusal refusal = defaultRefusal(method, status);
    if (words.size() >= 4) {
        if (words[3].text.empty())
            fail(Status::BadScript, "o código de erro de fail não pode ser vazio");
        refusal.code = words[3].text;
    }
    if (words.size() == 5)
        refusal.message = words[4].text;
    if (!server_->running())
        fail(Status::BadScript, "o servidor está parado (use server start antes de fail)");
    server_->failOnce(method, refusal, nth - 1);
}

void Interpreter::serverCommand(const Words& words)
{
    if (words.size() != 2 || (words[1].text != "stop" && words[1].text != "start"))
        fail(Status::BadScript, "uso: server stop|start");
    if (server_ == nullptr)
        fail(Status::BadScript, "server " + words[1].text +
                                    " só vale para o servidor embutido (--embedded): o roteiro não para nem "
                                    "inicia um servidor em outro processo");
    const bool start = words[1].text == "start";
    if (server_->running() == start)
        fail(Status::BadScript, start ? "o servidor já está em execução" : "o servidor já está parado");
    if (!start) {
        server_->stop();
        return;
    }
    try {
        server_->start();
    } catch (const std::exception& error) {
        fail(Status::Fatal, std::string("o servidor não voltou: ") + error.what());
    }
}

void Interpreter::navCommand(const Words& words)
{
    const auto& buttons = navigatorButtons();
    const auto found = words.size() == 2 || words.size() == 3
                           ? std::find_if(buttons.begin(), buttons.end(),
                                          [&](const auto& b) { return words[1].text == b.first; })
                           : buttons.end();
    if (found == buttons.end())
        fail(Status::BadScript, "uso: nav first|prior|next|last [NAVEGADOR]");
    ui::DBNavigator& navigator =
        words.size() == 3 ? controlOf<ui::DBNavigator>(words[2].text, "navegador") : onlyNavigator();
    requireShowing(navigator);
    dispatcher().run([&] { return navigator.Click(found->second); });
}

void Interpreter::windowCommand(const std::string& command)
{
    ui::Form& form = openForm();
    dispatcher().run([&] {
        form.SetWindowState(command == "minimize" ? ui::WindowState::Minimized
                                                  : ui::WindowState::Maximized);
        return true;
    });
}

void Interpreter::keyCommand(const Words& words)
{
    if (words.size() < 2)
        fail(Status::BadScript, "uso: key TECLA [ctrl] [shift] [alt]");
    const auto key = keyCode(words[1].text);
    if (!key)
        fail(Status::BadScript, "tecla desconhecida \"" + words[1].text + "\"");
    unsigned shift = 0;
    for (size_t i = 2; i < words.size(); ++i) {
        const std::string& modifier = words[i].text;
        if (modifier == "ctrl")
            shift |= ui::ShiftState::Ctrl;
        else if (modifier == "shift")
            shift |= ui::ShiftState::Shift;
        else if (modifier == "alt")
            shift |= ui::ShiftState::Alt;
        else
            fail(Status::BadScript, "modificador desconhecido \"" + modifier + "\"");
    }
    openForm();
    dispatcher().keyDown(*key, ui::ShiftState(shift));
}

void Interpreter::charCommand(const Words& words)
{
    const auto ch = words.size() == 2 ? singleCodePoint(words[1].text) : std::nullopt;
    if (!ch)
        fail(Status::BadScript, "uso: char C (um único caractere)");
    openForm();
    dispatcher().keyPress(*ch);
}

void Interpreter::cellCommand(const Words& words)
{
    if (words.size() != 3 && words.size() != 4)
        fail(Status::BadScript, "uso: cell GRADE COLUNA [TEXTO]");
    auto& grid = reachable<ui::DBGrid>(words[1].text, "grade");
    const int column = columnOf(grid, words[2].text);
    if (dispatcher().selectColumn(grid.Name(), column) == host::Outcome::Done && words.size() == 4)
        dispatcher().typeCell(grid.Name(), words[3].text);
}

void Interpreter::rowCommand(const Words& words)
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

int Interpreter::columnOf(const ui::DBGrid& grid, const std::string& word) const
{
    const int column = grid.ColumnIndexOf(word);
    if (column >= 0)
        return column;
    if (auto number = positiveNumber(word); number && *number <= grid.ColumnCount())
        return *number - 1;
    fail(Status::BadScript, "a grade " + grid.Name() + " não tem a coluna \"" + word + "\"");
}

void Interpreter::answerCommand(const Words& words)
{
    const std::string& command = words[0].text;
    if (command == "answer") {
        if (words.size() != 2 || (words[1].text != "yes" && words[1].text != "no"))
            fail(Status::BadScript, "uso: answer yes|no");
        interaction_.queueConfirm(words[1].text == "yes");
    } else if (command == "pick") {
        if (words.size() == 2 && words[1].text == "none") {
            interaction_.queuePick(std::nullopt);
            return;
        }
        const auto row = words.size() == 2 ? positiveNumber(words[1].text) : std::nullopt;
        if (!row)
            fail(Status::BadScript, "uso: pick N|none (N a partir de 1)");
        interaction_.queuePick(*row);
    } else {
        if (words.size() != 3)
            fail(Status::BadScript, "uso: find CAMPO VALOR");
        interaction_.queueFind(words[1].text, words[2].text);
    }
}

void Interpreter::expectCommand(const Words& words)
{
    if (words.size() < 2)
        fail(Status::BadScript, "uso: expect O_QUE ...");
    const std::string& what = words[1].text;
    const auto need = [&](size_t least, size_t most) {
        if (words.size() - 2 < least || words.size() - 2 > most)
            fail(Status::BadScript, "número de argumentos errado para \"expect " + what + "\"");
    };
    if (what == "message") {
        need(1, 1);
        expectThat(lastShown_ == words[2].text, "mensagem " + inQuotes(words[2].text),
                   lastShown_.empty() ? "nenhuma mensagem" : inQuotes(lastShown_));
    } else if (what == "enabled" || what == "disabled") {
        need(1, SIZE_MAX);
        const bool wanted = what == "enabled";
        for (size_t i = 2; i < words.size(); ++i)
            expectThat(enabledByName(words[i].text) == wanted, words[i].text + " " + what,
                       words[i].text + (wanted ? " disabled" : " enabled"));
    } else if (what == "checked" || what == "unchecked") {
        need(1, SIZE_MAX);
        const bool wanted = what == "checked";
        for (size_t i = 2; i < words.size(); ++i)
            expectThat(menuItem(words[i].text).Checked() == wanted, words[i].text + " " + what,
                       words[i].text + (wanted ? " unchecked" : " checked"));
    } else if (what == "text") {
        need(2, 2);
        // Either what the box shows or its value: a masked edit shows "__.___" when empty.
        const auto& edit = controlOf<ui::Edit>(words[2].text, "campo de texto");
        const std::string& wanted = words[3].text;
        const bool differ = edit.Text() != edit.EditText();
        expectThat(edit.EditText() == wanted || edit.Text() == wanted,
                   edit.Name() + " = " + inQuotes(wanted),
                   edit.Name() + " = " + inQuotes(edit.EditText()) +
                       (differ ? " (valor " + inQuotes(edit.Text()) + ")" : ""));
    } else if (what == "page") {
        need(1, 1);
        auto& page = controlOf<ui::TabSheet>(words[2].text, "página");
        const ui::TabSheet* active = page.Pages().ActivePage();
        expectThat(page.IsActive(), "página " + page.Name(),
                   "página " + (active ? active->Name() : std::string("nenhuma")));
    } else if (what == "focus") {
        need(1, 1);
        auto& control = controlOf<ui::Control>(words[2].text, "controle");
        const ui::Control* focused = openForm().FocusedControl();
        expectThat(focused == &control, "foco em " + control.Name(),
                   "foco em " + (focused ? focused->Name() : std::string("nenhum controle")));
    } else if (what == "state") {
        need(2, 2);
        const data::DataSet& set = dataSet(words[2].text);
        const auto state = stateByName(words[3].text);
        if (!state)
            fail(Status::BadScript, "estado desconhecido \"" + words[3].text +
                                        "\" (inactive, browse, edit, insert)");
        expectThat(set.State() == *state, set.Name() + " em " + words[3].text,
                   set.Name() + " em " + data::stateName(set.State()));
    } else if (what == "field") {
        need(2, 2);
        expectField(words);
    } else if (what == "count" || what == "changes") {
        need(2, 2);
        const data::DataSet& set = dataSet(words[2].text);
        const bool zero = words[3].text == "0";
        const auto count = zero ? std::optional<int>(0) : positiveNumber(words[3].text);
        if (!count)
            fail(Status::BadScript, "contagem inválida \"" + words[3].text + "\"");
        const bool rows = what == "count";
        const int seen = !set.Active() ? 0 : rows ? set.RecordCount() : set.ChangeCount();
        const std::string unit = rows ? " registro(s)" : " alteração(ões) pendente(s)";
        expectThat(seen == *count, set.Name() + " com " + words[3].text + unit,
                   set.Name() + " com " + std::to_string(seen) + unit);
    } else if (what == "messagestart") {
        need(1, 1);
        expectThat(lastShown_.rfind(words[2].text, 0) == 0, "mensagem começando por " + inQuotes(words[2].text),
                   lastShown_.empty() ? "nenhuma mensagem" : inQuotes(lastShown_));
    } else if (what == "cell") {
        need(4, 4);
        expectCell(words);
    } else if (what == "column") {
        need(2, 2);
        const auto& grid = controlOf<ui::DBGrid>(words[2].text, "grade");
        const int selected = grid.SelectedIndex();
        const std::string seen = selected >= 0 ? grid.ColumnAt(selected).FieldName() : std::string("nenhuma");
        expectThat(seen == words[3].text, grid.Name() + " na coluna " + words[3].text,
                   grid.Name() + " na coluna " + seen);
    } else if (what == "unit") {
        need(2, 2);
        expectUnit(words[2].text, words[3].text);
    } else if (what == "progress") {
        need(1, 1);
        if (words[2].text != "shown" && words[2].text != "hidden")
            fail(Status::BadScript, "uso: expect progress shown|hidden");
        const bool shown = host::ShowAviActive();
        expectThat(shown == (words[2].text == "shown"), "indicador de progresso " + words[2].text,
                   std::string("indicador de progresso ") + (shown ? "shown" : "hidden"));
    } else {
        fail(Status::BadScript, "expect desconhecido \"" + what + "\"");
    }
}

void Interpreter::expectCell(const Words& words)
{
    const auto& grid = controlOf<ui::DBGrid>(words[2].text, "grade");
    const auto row = positiveNumber(words[3].text);
    if (!row)
        fail(Status::BadScript, "uso: expect cell GRADE LINHA COLUNA TEXTO (LINHA a partir de 1)");
    const int column = columnOf(grid, words[4].text);
    const std::string what = grid.Name() + " linha " + words[3].text + " coluna " +
                             grid.ColumnAt(column).FieldName() + " = ";
    if (*row > grid.RowCount())
        expectThat(false, what + inQuotes(words[5].text),
                   "a grade com " + std::to_string(grid.RowCount()) + " linha(s)");
    const std::string shown = grid.CellText(*row - 1, column);
    expectThat(shown == words[5].text, what + inQuotes(words[5].text), what + inQuotes(shown));
}

void Interpreter::expectUnit(const std::string& name, const std::string& wanted)
{
    for (const UnitValue& item : session_.unitState()) {
        if (item.name != name)
            continue;
        const std::string seen = std::holds_alternative<bool>(item.value)
                                     ? (std::get<bool>(item.value) ? "true" : "false")
                                     : inQuotes(std::get<std::string>(item.value));
        const bool holds = std::holds_alternative<bool>(item.value) ? seen == wanted : seen == inQuotes(wanted);
        expectThat(holds, name + " = " + wanted, name + " = " + seen);
        return;
    }
    fail(Status::BadScript, "estado da tela desconhecido \"" + name + "\"");
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
    std::vector<std::pair<std::string, std::optional<std::vector<std::string>>>> wanted;
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
        auto args = resume == std::string::npos ? std::nullopt
                                                : textList(line.substr(word.begin, resume - word.begin));
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
    for (const auto& [method, args] : wanted)
        expectedText.push_back(args ? method + " " + argumentList(*args) : method);
    // Past the end of the expected ones, the extra calls show theirs when any expected one does.
    const bool anyArgs = std::any_of(wanted.begin(), wanted.end(), [](const auto& w) { return w.second.has_value(); });
    std::vector<std::string> seenText;
    for (size_t i = 0; i < seen.size(); ++i) {
        const bool withArgs = i < wanted.size() ? wanted[i].second.has_value() : anyArgs;
        seenText.push_back(withArgs ? seen[i].method + " " + argumentList(seen[i].args) : seen[i].method);
    }
    expectThat(false, "chamadas: " + joined(expectedText, "nenhuma"), "chamadas: " + joined(seenText, "nenhuma"));
}

void Interpreter::expectField(const Words& words)
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
    expectThat(holds, path + " = " + (wanted.quoted ? inQuotes(wanted.text) : wanted.text),
               path + " = " + seen);
}

host::Dispatcher& Interpreter::dispatcher()
{
    ui::Form* form = session_.form();
    ui::Form* target = form ? form : idleForm_.get();
    if (!dispatcher_ || dispatcherForm_ != target) {
        dispatcher_ = std::make_unique<host::Dispatcher>(*target);
        dispatcher_->onError = [this](const std::string& message) { onError(message); };
        dispatcherForm_ = target;
    }
    return *dispatcher_;
}

ui::Form& Interpreter::openForm() const
{
    ui::Form* form = session_.form();
    if (form == nullptr)
        fail(Status::BadScript, "a tela não está aberta (use open)");
    return *form;
}

template <class T> T& Interpreter::controlOf(const std::string& name, const char* kind) const
{
    ui::Form& form = openForm();
    ui::Control* control = form.FindControl(name);
    if (control == nullptr)
        fail(Status::BadScript, "controle desconhecido \"" + name + "\"");
    auto* typed = dynamic_cast<T*>(control);
    if (typed == nullptr)
        fail(Status::BadScript, "\"" + name + "\" não é " + kind + " (é " + control->ClassName() + ")");
    return *typed;
}

template <class T> T& Interpreter::reachable(const std::string& name, const char* kind) const
{
    T& control = controlOf<T>(name, kind);
    requireShowing(control);
    return control;
}

void Interpreter::requireShowing(const ui::Control& control) const
{
    if (control.Showing())
        return;
    // Name the reason nearest to the control: its own hiding, or the first
    // container above it that is hidden or is a page behind another.
    for (const ui::Control* c = &control; c != nullptr && c->Parent() != nullptr; c = c->Parent()) {
        if (!c->Visible())
            fail(Status::BadScript, control.Name() + " não está à vista: " +
                                        (c == &control ? std::string("está oculto") : c->Name() + " está oculto"));
        if (const auto* page = dynamic_cast<const ui::TabSheet*>(c); page != nullptr && !page->IsActive()) {
            const ui::TabSheet* front = page->Pages().ActivePage();
            fail(Status::BadScript, control.Name() + " não está à vista: fica na página " + page->Name() +
                                        ", e a página na frente é " + (front ? front->Name() : std::string("nenhuma")));
        }
    }
    fail(Status::BadScript, control.Name() + " não está à vista");
}

ui::DBNavigator& Interpreter::onlyNavigator() const
{
    ui::DBNavigator* found = nullptr;
    for (ui::Component* component : openForm().Components()) {
        if (auto* navigator = dynamic_cast<ui::DBNavigator*>(component)) {
            if (found != nullptr)
                fail(Status::BadScript, "a tela tem mais de um navegador: use nav BOTÃO NAVEGADOR");
            found = navigator;
        }
    }
    if (found == nullptr)
        fail(Status::BadScript, "a tela não tem navegador de registros");
    return *found;
}

ui::MenuItem& Interpreter::menuItem(const std::string& name) const
{
    ui::MenuItem* item = openForm().FindMenuItem(name);
    if (item == nullptr)
        fail(Status::BadScript, "entrada de menu desconhecida \"" + name + "\"");
    return *item;
}

bool Interpreter::enabledByName(const std::string& name) const
{
    ui::Form& form = openForm();
    // A navigator's button: NAVIGATOR.first, .prior, .next or .last.
    if (const size_t dot = name.find('.'); dot != std::string::npos) {
        const auto& navigator = controlOf<ui::DBNavigator>(name.substr(0, dot), "navegador");
        const std::string button = name.substr(dot + 1);
        for (const auto& [word, which] : navigatorButtons())
            if (button == word)
                return navigator.ButtonEnabled(which);
        fail(Status::BadScript, "botão de navegador desconhecido \"" + button + "\" (first, prior, next, last)");
    }
    if (ui::MenuItem* item = form.FindMenuItem(name))
        return item->Enabled();
    if (ui::Control* control = form.FindControl(name))
        return control->EffectiveEnabled();
    fail(Status::BadScript, "controle desconhecido \"" + name + "\"");
}

std::vector<data::DataSet*> Interpreter::allDataSets() const
{
    std::vector<data::DataSet*> found = session_.dataSets();
    const auto add = [&](data::DataSet* set) {
        if (set != nullptr && std::find(found.begin(), found.end(), set) == found.end())
            found.push_back(set);
    };
    if (ui::Form* form = session_.form())
        for (const ui::Component* component : form->Components())
            add(dataSetOf(*component));
    return found;
}

data::DataSet& Interpreter::dataSet(const std::string& name) const
{
    openForm();
    for (data::DataSet* set : allDataSets())
        if (set->Name() == name)
            return *set;
    fail(Status::BadScript, "dataset desconhecido \"" + name + "\"");
}

void Interpreter::afterAction()
{
    flushPending();
    flushCalls();
    if (!interaction_.unanswered().empty()) {
        const std::string message = interaction_.unanswered();
        interaction_.clearUnanswered();
        fail(Status::Fatal, "diálogo sem resposta: " + message);
    }
}

void Interpreter::onLine(const std::string& line)
{
    flushPending();
    flushCalls();
    static const std::string prefix = "message \"";
    if (line.rfind(prefix, 0) == 0 && line.size() > prefix.size()) {
        // Held back one step: the dispatcher shows an error the same way as a
        // message and only then reports it, so the line may become `error`.
        lastShown_ = line.substr(prefix.size(), line.size() - prefix.size() - 1);
        pendingMessage_ = line;
        return;
    }
    print(line);
}

void Interpreter::onError(const std::string& message)
{
    if (pendingMessage_ && *pendingMessage_ == "message " + inQuotes(message))
        pendingMessage_.reset();
    flushPending();
    flushCalls();
    lastShown_ = message;
    print("error " + inQuotes(message));
}

void Interpreter::flushPending()
{
    if (!pendingMessage_)
        return;
    const std::string line = std::move(*pendingMessage_);
    pendingMessage_.reset();
    print(line);
}

void Interpreter::flushCalls()
{
    remote::RemoteConnection* connection = session_.connection();
    if (connection != loggedConnection_) {
        loggedConnection_ = connection;
        callsPrinted_ = 0;
    }
    if (connection == nullptr)
        return;
    const std::vector<remote::CallLogEntry> log = connection->CallLog();
    if (log.size() < callsPrinted_)
        callsPrinted_ = 0;  // the log was cleared
    for (; callsPrinted_ < log.size(); ++callsPrinted_) {
        print(callLine(log[callsPrinted_]));
        callsSinceExpect_.push_back({log[callsPrinted_].method, log[callsPrinted_].args});
    }
}

void Interpreter::print(const std::string& line) { out_ << line << std::endl; }

void Interpreter::fail(Status status, const std::string& message) const
{
    throw Stop{status, message};
}

void Interpreter::expectThat(bool holds, const std::string& expected, const std::string& seen) const
{
    if (!holds)
        fail(Status::ExpectFailed, "esperado " + expected + ", visto " + seen);
}

} // namespace gsf::script
