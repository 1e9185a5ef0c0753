#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace gsf::data {
class DataSet;
class DataSource;
} // namespace gsf::data

namespace gsf::host {

enum class Cursor { Default, Hourglass };

/// The person's side of the screen: every dialog the screen opens goes
/// through the current Interaction (see host_context.h). The Qt front-end
/// implements it with dialogs; tests and the script driver use
/// ScriptedInteraction.
class Interaction {
public:
    virtual ~Interaction() = default;

    /// Shows a message the person acknowledges.
    virtual void showError(const std::string& text) = 0;
    /// Yes/No question. @return true for Yes.
    virtual bool confirm(const std::string& text) = 0;
    /// Lets the person choose a row of the source's dataset. An empty or
    /// closed dataset shows @p emptyText instead and chooses nothing.
    /// @return the 1-based record number chosen, the dataset positioned on
    /// it; nullopt when nothing was chosen (dataset not moved).
    virtual std::optional<int> pickList(const std::string& title, const std::string& emptyText,
                                        data::DataSource& source) = 0;
    /// Search dialog over a dataset.
    /// @return true when a row was found, the dataset positioned on it.
    virtual bool search(data::DataSet& dataSet) = 0;
    virtual void showProgress(int animationKind, const std::string& caption) = 0;
    virtual void hideProgress() = 0;
    virtual void setCursor(Cursor cursor) = 0;
};

/// A dialog came with no scripted answer of its kind, or the answer does not fit.
class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Interaction for tests and the headless driver: answers come from queues,
/// one per kind of dialog, consumed in order (a confirm answer is never used
/// by a pick list). Everything shown is recorded as one line each, in order:
/// @code
/// message "TEXT"
/// confirm "TEXT" -> yes|no
/// pick "TITLE" -> N|none          (N: 1-based record number)
/// progress show KIND "CAPTION"
/// progress hide
/// find FIELD VALUE -> found|not found
/// @endcode
/// A pick list over an empty dataset records `message "EMPTY TEXT"` and
/// consumes no answer.
class ScriptedInteraction : public Interaction {
public:
    void queueConfirm(bool yes);
    /// @param recNo 1-based record number to choose, or nullopt to close the list.
    void queuePick(std::optional<int> recNo);
    /// Search for VALUE in FIELD as the search dialog searches (findRow): a
    /// text field by its beginning, letter case and accents ignored, an exact
    /// value first; a number field by the number read as pt-BR.
    void queueFind(std::string fieldName, std::string value);

    /// Answers still queued, all kinds together.
    int pendingAnswers() const;
    const std::vector<std::string>& lines() const { return lines_; }
    void clearLines() { lines_.clear(); }
    Cursor cursor() const { return cursor_; }
    bool progressVisible() const { return progressVisible_; }

    /// Called with each recorded line as it is recorded.
    std::function<void(const std::string&)> onLine;

    void showError(const std::string& text) override;
    /// @throws ScriptError naming the question when no confirm answer is queued.
    bool confirm(const std::string& text) override;
    /// @throws ScriptError naming the list when no pick answer is queued or
    /// the queued row does not exist.
    std::optional<int> pickList(const std::string& title, const std::string& emptyText,
                                data::DataSource& source) override;
    /// @throws ScriptError when no find answer is queued; the field's own
    /// error when the dataset has no such field.
    bool search(data::DataSet& dataSet) override;
    void showProgress(int animationKind, const std::string& caption) override;
    void hideProgress() override;
    void setCursor(Cursor cursor) override { cursor_ = cursor; }

private:
    struct Find {
        std::string fieldName;
        std::string value;
    };
    void record(std::string line);

    std::deque<bool> confirms_;
    std::deque<std::optional<int>> picks_;
    std::deque<Find> finds_;
    std::vector<std::string> lines_;
    Cursor cursor_ = Cursor::Default;
    bool progressVisible_ = false;
};

} // namespace gsf::host
