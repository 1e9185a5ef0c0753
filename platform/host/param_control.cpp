#include "platform/host/param_control.h"

#include "platform/host/host_context.h"

#include <algorithm>
#include <stdexcept>

namespace gsf::host {

namespace {

std::string trimmedUpper(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    std::string result = text.substr(first, last - first + 1);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    return result;
}

} // namespace

TTipoFatur::TTipoFatur(std::string code, std::vector<std::string> names)
    : code_(std::move(code)), names_(std::move(names))
{}

void TTipoFatur::SetParamText(const std::string& text)
{
    text_ = text;
    values_.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(';', start), text.size());
        const std::string piece = text.substr(start, end - start);
        const std::size_t equals = piece.find('=');
        if (equals != std::string::npos) {
            const std::string name = trimmedUpper(piece.substr(0, equals));
            if (!name.empty())
                values_.emplace(name, piece.substr(equals + 1)); // the first pair of a name wins
        }
        start = end + 1;
    }
}

std::string TTipoFatur::GetAsString(const std::string& name) const
{
    const auto it = values_.find(trimmedUpper(name));
    return it == values_.end() ? std::string() : it->second;
}

std::string TParamFat::Name() const
{
    if (tipo_ == nullptr || position_ >= static_cast<int>(tipo_->Names().size()))
        return {};
    return tipo_->Names()[static_cast<std::size_t>(position_)];
}

std::string TParamFat::GetAsString() const
{
    const std::string name = Name();
    return name.empty() ? std::string() : tipo_->GetAsString(name);
}

void TParamControl::StartParamFat()
{
    ParamFatExcecaoDia.tipo_ = nullptr;
    ParamFatTabCorr.tipo_ = nullptr;
    tipos_.clear();
    for (const auto& [code, names] : hostContext().billingTypes)
        tipos_.emplace(trimmedUpper(code), TTipoFatur(code, names));
}

TTipoFatur& TParamControl::TiposFatur(const std::string& code)
{
    const auto it = tipos_.find(trimmedUpper(code));
    if (it == tipos_.end())
        throw std::out_of_range("Tipo de faturamento \"" + code + "\" não cadastrado.");
    ParamFatExcecaoDia.tipo_ = &it->second;
    ParamFatTabCorr.tipo_ = &it->second;
    return it->second;
}

} // namespace gsf::host
