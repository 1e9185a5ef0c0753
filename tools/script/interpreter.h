#pragma once

#include "platform/host/host_context.h"
#include "platform/host/interaction.h"
#include "tools/script/screen_session.h"
#include "tools/script/script_lexer.h"
#include "tools/script/server_control.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace gsf::data {
class DataSet;
}
namespace gsf::host {
class Dispatcher;
}
namespace gsf::ui {
class Control;
class DBGrid;
class DBNavigator;
class Form;
class MenuItem;
} // namespace gsf::ui

namespace gsf::script {

/// Exit status of a run.
enum class Status : int {
    Ok = 0,           ///< every command ran and every expectation held
    ExpectFailed = 1, ///< an `expect` did not hold
    BadScript = 2,    ///< unknown command, unknown control, malformed line
    Fatal = 3,        ///< anything else: unanswered dialog, pending edit at the end, no server
};

/// A server address written HOST:PORT (port 1 to 65535), or nullopt.
struct ServerAddress {
    std::string host;
    int port = 0;
};
std::optional<ServerAddress> parseServerAddress(const std::string& text);

/// Scripted Interaction that remembers a dialog it could not answer, so the
/// run stops there instead of going on with a screen the script no longer
/// follows.
class DriverInteraction : public host::ScriptedInteraction {
public:
    bool confirm(const std::string& text) override;
    std::optional<int> pickList(const std::string& title, const std::string& emptyText,
                                data::DataSource& source) override;
    bool search(data::DataSet& dataSet) override;

    /// The message of the last dialog left without an answer; empty when none.
    const std::string& unanswered() const { return unanswered_; }
    void clearUnanswered() { unanswered_.clear(); }

private:
    std::string unanswered_;
};

/// Runs a screen from a text script, one command a line, printing every line
/// the screen shows (messages, confirmations, pick lists, progress, remote
/// calls, errors) as it happens. See tools/script/README.md for the commands.
///
/// The interpreter installs its own DriverInteraction as the current
/// Interaction for its lifetime; every action of the person goes through a
/// host::Dispatcher over the open form, so errors take the same road as on
/// the desktop.
class Interpreter {
public:
    /// @param out receives the screen's lines and `dump`.
    /// @param diagnostics receives why a run stopped (failed expect, bad line).
    Interpreter(ScreenSession& session, std::ostream& out, std::ostream& diagnostics);
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    /// Prints each command before running it, prefixed by "> ".
    void setEcho(bool on) { echo_ = on; }
    /// The server the screen talks to, when it runs inside this process, for
    /// `fail` and `server`; nullptr (the default) for a server elsewhere, where
    /// both commands are script errors.
    void setServer(ServerControl* server) { server_ = server; }

    /// Runs every line of @p in up to its end (or the first stop), then the
    /// end-of-script checks (see finish).
    /// @return the exit status.
    Status run(std::istream& in);
    /// Runs one line (@p number counts from 1, for messages).
    /// @return nullopt to go on, or the status the run stops with.
    std::optional<Status> runLine(const std::string& line, int number);
    /// End-of-script checks: a dataset of the open screen still in edit or
    /// insert, or answers queued but never used, stop with Status::Fatal.
    Status finish();

private:
    struct Stop;
    using Words = std::vector<Word>;
    /// Runs a command; @p line is the line its words came from.
    using Handler = void (Interpreter::*)(const Words& words, const std::string& line);
    /// How many words may follow a command's word.
    struct Arity {
        size_t least;
        size_t most;
    };
    /// One entry of a command table: the word, its handler, and the number of
    /// words after it when the table checks it (nullopt: the handler checks
    /// the line's shape itself and names the usage).
    struct Command {
        const char* word;
        Handler handler;
        std::optional<Arity> arity;
    };
    static const std::vector<Command>& commands();
    static const std::vector<Command>& expectations();
    /// Runs the entry of @p table named by the word at @p at.
    /// @param kind names an unknown word in the message ("comando", "expect").
    void dispatch(const std::vector<Command>& table, size_t at, const char* kind, const Words& words,
                  const std::string& line);
    void execute(const Words& words, const std::string& line);

    // Setting up the run: host context, server, queued answers, output.
    void hostCommand(const Words& words, const std::string& line);
    void failCommand(const Words& words, const std::string& line);
    void serverCommand(const Words& words, const std::string& line);
    void answerCommand(const Words& words, const std::string& line);
    void pickCommand(const Words& words, const std::string& line);
    void findCommand(const Words& words, const std::string& line);
    void syncCommand(const Words& words, const std::string& line);
    void dumpCommand(const Words& words, const std::string& line);

    // What the person does.
    void openCommand(const Words& words, const std::string& line);
    void closeCommand(const Words& words, const std::string& line);
    void windowCommand(const Words& words, const std::string& line);
    void focusCommand(const Words& words, const std::string& line);
    void typeCommand(const Words& words, const std::string& line);
    void keyCommand(const Words& words, const std::string& line);
    void charCommand(const Words& words, const std::string& line);
    void clickCommand(const Words& words, const std::string& line);
    void menuCommand(const Words& words, const std::string& line);
    void tabCommand(const Words& words, const std::string& line);
    void cellCommand(const Words& words, const std::string& line);
    void rowCommand(const Words& words, const std::string& line);
    void navCommand(const Words& words, const std::string& line);
    void buttonCommand(const Words& words, const std::string& line);
    void chooseCommand(const Words& words, const std::string& line);

    // Expectations: `expect WHAT ...`, WHAT naming the entry of expectations().
    void expectCommand(const Words& words, const std::string& line);
    void expectMessage(const Words& words, const std::string& line);
    void expectEnabled(const Words& words, const std::string& line);
    void expectChecked(const Words& words, const std::string& line);
    void expectText(const Words& words, const std::string& line);
    void expectPage(const Words& words, const std::string& line);
    void expectFocus(const Words& words, const std::string& line);
    void expectState(const Words& words, const std::string& line);
    void expectField(const Words& words, const std::string& line);
    void expectCount(const Words& words, const std::string& line);
    void expectCell(const Words& words, const std::string& line);
    void expectColumn(const Words& words, const std::string& line);
    void expectUnit(const Words& words, const std::string& line);
    void expectProgress(const Words& words, const std::string& line);
    void expectCalls(const Words& words, const std::string& line);

    host::Dispatcher& dispatcher();
    ui::Form& openForm() const;
    template <class T>
    T& controlOf(const std::string& name, const char* kind) const;
    /// The control, when the person can reach it at all (see requireShowing).
    template <class T>
    T& reachable(const std::string& name, const char* kind) const;
    void requireShowing(const ui::Control& control) const;
    int columnOf(const ui::DBGrid& grid, const std::string& word) const;
    ui::DBNavigator& onlyNavigator() const;
    ui::MenuItem& menuItem(const std::string& name) const;
    data::DataSet& dataSet(const std::string& name) const;
    std::vector<data::DataSet*> allDataSets() const;
    bool enabledByName(const std::string& name) const;
    void afterAction();

    void onLine(const std::string& line);
    void onError(const std::string& message);
    /// Prints what the screen showed and the calls it made so far.
    void flushOutput();
    void flushCalls();
    void flushPending();
    void print(const std::string& line);
    [[noreturn]] void fail(Status status, const std::string& message) const;
    void expectThat(bool holds, const std::string& expected, const std::string& seen) const;

    ScreenSession& session_;
    std::ostream& out_;
    std::ostream& diagnostics_;
    DriverInteraction interaction_;
    host::InteractionScope scope_;
    std::unique_ptr<ui::Form> idleForm_;
    std::unique_ptr<host::Dispatcher> dispatcher_;
    ui::Form* dispatcherForm_ = nullptr;
    remote::RemoteConnection* loggedConnection_ = nullptr;
    /// Number of the last call of loggedConnection_ printed.
    std::uint64_t lastCallPrinted_ = 0;
    /// A remote call as printed: its method and text arguments.
    struct Call {
        std::string method;
        std::vector<std::string> args;
    };
    std::vector<Call> callsSinceExpect_;
    std::optional<std::string> pendingMessage_;
    std::string lastShown_;
    bool echo_ = false;
    ServerControl* server_ = nullptr;
};

} // namespace gsf::script
