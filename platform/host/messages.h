#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <utility>

namespace gsf::host {

/// ShowMsg types and answers.
constexpr int MsgInformation = 2;
constexpr int MsgConfirmation = 3; ///< Yes/No question
constexpr int IdOk = 1;
constexpr int IdYes = 6;
constexpr int IdNo = 7;

/// A message table: key -> text, as a form declares it.
class TMessages {
public:
    explicit TMessages(std::string name) : name_(std::move(name)) {}
    TMessages(std::string name, std::initializer_list<std::pair<std::string, std::string>> entries);

    const std::string& Name() const { return name_; }
    /// Adds or replaces an entry.
    void Add(const std::string& key, const std::string& text);
    /// Adds an entry written "key|text" (the text may hold further bars).
    /// @throws std::invalid_argument for a line without a bar or with an empty key.
    void AddLine(const std::string& line);
    bool Contains(const std::string& key) const;
    int Count() const { return static_cast<int>(texts_.size()); }

    /// @return the text of @p key. @throws std::out_of_range naming the key and the table.
    const std::string& Msg(const std::string& key) const;
    /// Shows the text of @p key through the current Interaction.
    /// @param type MsgConfirmation asks Yes/No; any other type shows the text.
    /// @return IdYes or IdNo for a confirmation, IdOk otherwise.
    /// @throws std::out_of_range naming an unknown key.
    int ShowMsg(const std::string& key, int type) const;

private:
    std::string name_;
    std::map<std::string, std::string> texts_;
};

} // namespace gsf::host
