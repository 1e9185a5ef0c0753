#include "tools/script/interpreter.h"

#include "platform/host/dispatcher.h"
#include "platform/host/lookup.h"
#include "platform/remote/connection.h"
#include "tools/script/command_support.h"
#include "tools/script/state_dump.h"

#include <algorithm>
#include <istream>
#include <ostream>

namespace gsf::script {

std::string inQuotes(const std::string& text)
{
    return "\"" + text + "\"";
}

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

std::optional<int> positiveNumber(const std::string& text)
{
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int value = std::stoi(text);
    return value > 0 ? std::optional<int>(value) : std::nullopt;
}

namespace {

std::string callLine(const remote::CallLogEntry& entry)
{
    return "call " + entry.method + " " + argumentList(entry.args);
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

std::optional<int> DriverInteraction::pickList(const std::string& title, const std::string& emptyText,
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

Interpreter::~Interpreter()
{
    interaction_.onLine = nullptr;
}

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
    flushOutput();
    std::vector<std::string> problems;
    if (session_.form() != nullptr)
        for (data::DataSet* set : allDataSets())
            if (set->State() == data::DataSetState::Edit || set->State() == data::DataSetState::Insert)
                problems.push_back("edição pendente em " + set->Name() + " (" + data::stateName(set->State()) + ")");
    if (const int left = interaction_.pendingAnswers(); left > 0)
        problems.push_back(std::to_string(left) + " resposta(s) de diálogo não usada(s)");
    if (problems.empty())
        return Status::Ok;
    for (const std::string& problem : problems)
        diagnostics_ << "fim do roteiro: " << problem << std::endl;
    return Status::Fatal;
}

const std::vector<Interpreter::Command>& Interpreter::commands()
{
    using I = Interpreter;
    static const std::vector<Command> table = {
        {"host", &I::hostCommand, std::nullopt},      {"fail", &I::failCommand, std::nullopt},
        {"server", &I::serverCommand, std::nullopt},  {"open", &I::openCommand, Arity{0, 0}},
        {"iniproc", &I::openCommand, Arity{0, 0}},    {"close", &I::closeCommand, Arity{0, 0}},
        {"minimize", &I::windowCommand, Arity{0, 0}}, {"maximize", &I::windowCommand, Arity{0, 0}},
        {"focus", &I::focusCommand, Arity{1, 1}},     {"type", &I::typeCommand, Arity{2, 2}},
        {"key", &I::keyCommand, std::nullopt},        {"char", &I::charCommand, std::nullopt},
        {"click", &I::clickCommand, Arity{1, 1}},     {"menu", &I::menuCommand, Arity{1, 1}},
        {"tab", &I::tabCommand, Arity{1, 1}},         {"cell", &I::cellCommand, std::nullopt},
        {"row", &I::rowCommand, std::nullopt},        {"nav", &I::navCommand, std::nullopt},
        {"button", &I::buttonCommand, Arity{1, 1}},   {"choose", &I::chooseCommand, Arity{2, 2}},
        {"answer", &I::answerCommand, std::nullopt},  {"pick", &I::pickCommand, std::nullopt},
        {"find", &I::findCommand, std::nullopt},      {"sync", &I::syncCommand, Arity{0, 1}},
        {"dump", &I::dumpCommand, Arity{0, 0}},       {"expect", &I::expectCommand, std::nullopt},
    };
    return table;
}

const std::vector<Interpreter::Command>& Interpreter::expectations()
{
    using I = Interpreter;
    constexpr size_t any = SIZE_MAX;
    static const std::vector<Command> table = {
        {"message", &I::expectMessage, Arity{1, 1}},   {"messagestart", &I::expectMessage, Arity{1, 1}},
        {"enabled", &I::expectEnabled, Arity{1, any}}, {"disabled", &I::expectEnabled, Arity{1, any}},
        {"checked", &I::expectChecked, Arity{1, any}}, {"unchecked", &I::expectChecked, Arity{1, any}},
        {"text", &I::expectText, Arity{2, 2}},         {"page", &I::expectPage, Arity{1, 1}},
        {"focus", &I::expectFocus, Arity{1, 1}},       {"state", &I::expectState, Arity{2, 2}},
        {"field", &I::expectField, Arity{2, 2}},       {"count", &I::expectCount, Arity{2, 2}},
        {"changes", &I::expectCount, Arity{2, 2}},     {"cell", &I::expectCell, Arity{4, 4}},
        {"column", &I::expectColumn, Arity{2, 2}},     {"unit", &I::expectUnit, Arity{2, 2}},
        {"progress", &I::expectProgress, Arity{1, 1}}, {"calls", &I::expectCalls, std::nullopt},
        {"nocalls", &I::expectCalls, std::nullopt},
    };
    return table;
}

void Interpreter::dispatch(const std::vector<Command>& table, size_t at, const char* kind, const Words& words,
                           const std::string& line)
{
    const std::string& word = words[at].text;
    const auto command =
        std::find_if(table.begin(), table.end(), [&](const Command& entry) { return word == entry.word; });
    if (command == table.end())
        fail(Status::BadScript, std::string(kind) + " desconhecido \"" + word + "\"");
    const size_t given = words.size() - at - 1;
    if (command->arity && (given < command->arity->least || given > command->arity->most)) {
        std::string name;
        for (size_t i = 0; i <= at; ++i)
            name += (i == 0 ? "" : " ") + words[i].text;
        fail(Status::BadScript, "número de argumentos errado para \"" + name + "\"");
    }
    (this->*command->handler)(words, line);
}

void Interpreter::execute(const Words& words, const std::string& line)
{
    dispatch(commands(), 0, "comando", words, line);
}

void Interpreter::expectCommand(const Words& words, const std::string& line)
{
    if (words.size() < 2)
        fail(Status::BadScript, "uso: expect O_QUE ...");
    dispatch(expectations(), 1, "expect", words, line);
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

int Interpreter::columnOf(const ui::DBGrid& grid, const std::string& word) const
{
    const int column = grid.ColumnIndexOf(word);
    if (column >= 0)
        return column;
    if (auto number = positiveNumber(word); number && *number <= grid.ColumnCount())
        return *number - 1;
    fail(Status::BadScript, "a grade " + grid.Name() + " não tem a coluna \"" + word + "\"");
}

void Interpreter::afterAction()
{
    flushOutput();
    if (!interaction_.unanswered().empty()) {
        const std::string message = interaction_.unanswered();
        interaction_.clearUnanswered();
        fail(Status::Fatal, "diálogo sem resposta: " + message);
    }
}

void Interpreter::onLine(const std::string& line)
{
    flushOutput();
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
    flushOutput();
    lastShown_ = message;
    print("error " + inQuotes(message));
}

void Interpreter::flushOutput()
{
    flushPending();
    flushCalls();
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
        lastCallPrinted_ = 0;
    }
    if (connection == nullptr)
        return;
    // The log keeps only the last calls; asking for the ones after the last
    // printed needs no more of it than what one action makes.
    for (const remote::CallLogEntry& entry : connection->CallLogSince(lastCallPrinted_)) {
        print(callLine(entry));
        callsSinceExpect_.push_back({entry.method, entry.args});
        lastCallPrinted_ = entry.number;
    }
}

void Interpreter::print(const std::string& line)
{
    out_ << line << std::endl;
}

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
