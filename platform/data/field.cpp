#include "platform/data/field.h"

#include "platform/data/dataset.h"
#include "platform/data/dataset_impl.h"
#include "platform/data/number_format.h"

#include <cmath>
#include <string>

namespace gsf::data {

namespace {

// Code points of a UTF-8 text, or -1 when the bytes are not valid UTF-8.
long utf8Length(const std::string& text)
{
    long count = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t len = 0;
        if (c < 0x80)
            len = 1;
        else if ((c & 0xE0) == 0xC0 && c >= 0xC2)
            len = 2;
        else if ((c & 0xF0) == 0xE0)
            len = 3;
        else if ((c & 0xF8) == 0xF0 && c <= 0xF4)
            len = 4;
        else
            return -1;
        if (i + len > text.size())
            return -1;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return -1;
        i += len;
        ++count;
    }
    return count;
}

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// Restores the validating pointer even when the hook throws.
class ValidatingScope {
public:
    ValidatingScope(const Value*& slot, const Value* value) : slot_(slot), saved_(slot) { slot_ = value; }
    ~ValidatingScope() { slot_ = saved_; }
    ValidatingScope(const ValidatingScope&) = delete;
    ValidatingScope& operator=(const ValidatingScope&) = delete;

private:
    const Value*& slot_;
    const Value* saved_;
};

} // namespace

ConversionError::ConversionError(std::string text, const std::string& fieldName)
    : DataError(quoted(text) + " não é um valor numérico válido para o campo " + quoted(fieldName) + "."),
      text_(std::move(text))
{}

Field::Field(DataSet& owner, FieldDef def) : owner_(owner), def_(std::move(def)) {}

const std::string& Field::DisplayLabel() const
{
    return def_.label.empty() ? def_.name : def_.label;
}

Value Field::AsValue() const
{
    if (validating_)
        return *validating_;
    return owner_.impl().fieldValue(index_);
}

bool Field::IsNull() const
{
    if (validating_)
        return isNull(*validating_);
    return owner_.impl().fieldIsNull(index_);
}

std::string Field::AsString() const
{
    const Value& v = AsValue();
    if (const auto* d = std::get_if<double>(&v))
        return plainNumber(*d);
    if (const auto* s = std::get_if<std::string>(&v))
        return *s;
    return {};
}

double Field::AsFloat() const
{
    const Value& v = AsValue();
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    if (const auto* s = std::get_if<std::string>(&v)) {
        if (const auto n = parseNumber(*s))
            return *n;
        throw ConversionError(*s, DisplayLabel());
    }
    return 0;
}

void Field::SetValue(const Value& value)
{
    if (def_.type != FieldType::Float) {
        if (const auto* d = std::get_if<double>(&value))
            store(plainNumber(*d));
        else
            store(value);
        return;
    }
    if (const auto* s = std::get_if<std::string>(&value))
        SetAsString(*s);
    else
        store(value);
}

void Field::SetAsString(const std::string& text)
{
    if (def_.type != FieldType::Float) {
        store(text);
        return;
    }
    if (text.find_first_not_of(" \t") == std::string::npos) {
        store(Value());
        return;
    }
    const auto number = parseNumber(text, def_.decimals);
    if (!number)
        throw ConversionError(text, DisplayLabel());
    store(*number);
}

void Field::SetAsFloat(double value)
{
    SetValue(value);
}

void Field::Clear()
{
    store(Value());
}

void Field::SetText(const std::string& text)
{
    if (OnSetText) {
        OnSetText(*this, text);
        return;
    }
    if (text.empty())
        Clear();
    else
        SetAsString(text);
}

std::string Field::formatted(const Value& value, bool forDisplay) const
{
    if (const auto* d = std::get_if<double>(&value)) {
        const std::string& pattern = forDisplay || def_.editFormat.empty() ? def_.displayFormat : def_.editFormat;
        return formatNumber(*d, pattern);
    }
    if (const auto* s = std::get_if<std::string>(&value))
        return *s;
    return {};
}

std::string Field::DisplayText() const
{
    std::string text = formatted(AsValue(), true);
    if (OnGetText)
        OnGetText(const_cast<Field&>(*this), text, true);
    return text;
}

std::string Field::Text() const
{
    std::string text = formatted(AsValue(), false);
    if (OnGetText)
        OnGetText(const_cast<Field&>(*this), text, false);
    return text;
}

void Field::FocusControl()
{
    for (DataSource* source : std::vector<DataSource*>(owner_.impl().sources))
        for (DataLink* link : std::vector<DataLink*>(source->links()))
            if (link->focusControl(*this))
                return;
}

void Field::store(Value value)
{
    DataSet::Impl& d = owner_.impl();
    if (!d.editing())
        throw DataError("O campo " + quoted(DisplayLabel()) +
                        " não pode ser alterado: "
                        "o registro não está em edição.");
    if (def_.readOnly)
        throw DataError("O campo " + quoted(DisplayLabel()) + " é somente leitura.");
    if (const auto* s = std::get_if<std::string>(&value)) {
        const long length = utf8Length(*s);
        if (length < 0)
            throw DataError("O valor informado para o campo " + quoted(DisplayLabel()) +
                            " contém caracteres inválidos.");
        if (def_.size > 0 && length > def_.size)
            throw DataError("O valor informado excede o tamanho do campo " + quoted(DisplayLabel()) + " (" +
                            std::to_string(def_.size) + " caracteres).");
    }
    if (const auto* n = std::get_if<double>(&value); n && !std::isfinite(*n))
        throw DataError("Valor numérico inválido para o campo " + quoted(DisplayLabel()) + ".");

    if (OnValidate) {
        ValidatingScope scope(validating_, &value);
        OnValidate(*this);
    }
    // The validate hook may have reloaded or closed the dataset.
    if (!d.editing())
        return;
    d.buffer[static_cast<std::size_t>(index_)] = std::move(value);
    d.modified = true;
    d.notifyRecordChanged(this);
}

} // namespace gsf::data
