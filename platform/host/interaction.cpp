#include "platform/host/interaction.h"

#include "platform/data/dataset.h"
#include "platform/host/lookup.h"

namespace gsf::host {

namespace {

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

} // namespace

void ScriptedInteraction::queueConfirm(bool yes)
{
    confirms_.push_back(yes);
}

void ScriptedInteraction::queuePick(std::optional<int> recNo)
{
    picks_.push_back(recNo);
}

void ScriptedInteraction::queueFind(std::string fieldName, std::string value)
{
    finds_.push_back({std::move(fieldName), std::move(value)});
}

int ScriptedInteraction::pendingAnswers() const
{
    return static_cast<int>(confirms_.size() + picks_.size() + finds_.size());
}

void ScriptedInteraction::record(std::string line)
{
    lines_.push_back(std::move(line));
    if (onLine)
        onLine(lines_.back());
}

void ScriptedInteraction::showError(const std::string& text)
{
    record("message " + quoted(text));
}

bool ScriptedInteraction::confirm(const std::string& text)
{
    if (confirms_.empty())
        throw ScriptError("Roteiro sem resposta para a confirmação " + quoted(text) + ".");
    const bool yes = confirms_.front();
    confirms_.pop_front();
    record("confirm " + quoted(text) + " -> " + (yes ? "yes" : "no"));
    return yes;
}

std::optional<int> ScriptedInteraction::pickList(const std::string& title, const std::string& emptyText,
                                                 data::DataSource& source)
{
    data::DataSet* dataSet = source.GetDataSet();
    if (dataSet == nullptr || !dataSet->Active() || dataSet->IsEmpty()) {
        record("message " + quoted(emptyText));
        return std::nullopt;
    }
    if (picks_.empty())
        throw ScriptError("Roteiro sem escolha para a lista " + quoted(title) + ".");
    const std::optional<int> recNo = picks_.front();
    const int rows = dataSet->RecordCount();
    if (recNo && (*recNo < 1 || *recNo > rows))
        throw ScriptError("Lista " + quoted(title) + ": não há linha " + std::to_string(*recNo) + " (" +
                          std::to_string(rows) + " linhas).");
    picks_.pop_front();
    if (recNo)
        dataSet->MoveTo(*recNo);
    record("pick " + quoted(title) + " -> " + (recNo ? std::to_string(*recNo) : "none"));
    return recNo;
}

bool ScriptedInteraction::search(data::DataSet& dataSet)
{
    if (finds_.empty())
        throw ScriptError("Roteiro sem busca para o diálogo de procura em " + dataSet.Name() + ".");
    const Find find = finds_.front();
    finds_.pop_front();
    const bool found = findRow(dataSet, find.fieldName, find.value);
    record("find " + find.fieldName + " " + find.value + " -> " + (found ? "found" : "not found"));
    return found;
}

void ScriptedInteraction::showProgress(int animationKind, const std::string& caption)
{
    progressVisible_ = true;
    record("progress show " + std::to_string(animationKind) + " " + quoted(caption));
}

void ScriptedInteraction::hideProgress()
{
    progressVisible_ = false;
    record("progress hide");
}

} // namespace gsf::host
