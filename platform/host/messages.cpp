#include "platform/host/messages.h"

#include "platform/host/host_context.h"

#include <stdexcept>

namespace gsf::host {

TMessages::TMessages(std::string name, std::initializer_list<std::pair<std::string, std::string>> entries)
    : name_(std::move(name))
{
    for (const auto& [key, text] : entries)
        Add(key, text);
}

void TMessages::Add(const std::string& key, const std::string& text)
{
    texts_[key] = text;
}

void TMessages::AddLine(const std::string& line)
{
    const auto bar = line.find('|');
    if (bar == std::string::npos || bar == 0)
        throw std::invalid_argument("Linha de mensagem inválida em " + name_ + ": \"" + line +
                                    "\" (esperado chave|texto).");
    Add(line.substr(0, bar), line.substr(bar + 1));
}

bool TMessages::Contains(const std::string& key) const
{
    return texts_.count(key) != 0;
}

const std::string& TMessages::Msg(const std::string& key) const
{
    const auto it = texts_.find(key);
    if (it == texts_.end())
        throw std::out_of_range("Mensagem \"" + key + "\" não cadastrada em " + name_ + ".");
    return it->second;
}

int TMessages::ShowMsg(const std::string& key, int type) const
{
    const std::string& text = Msg(key);
    if (type == MsgConfirmation)
        return interaction().confirm(text) ? IdYes : IdNo;
    interaction().showError(text);
    return IdOk;
}

} // namespace gsf::host
