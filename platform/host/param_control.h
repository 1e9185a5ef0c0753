#pragma once

#include <map>
#include <string>
#include <vector>

namespace gsf::host {

/// Parameter set of one billing type: the parameter names the type lists, in
/// order, and their values read from a branch's parameter text.
class TTipoFatur {
public:
    TTipoFatur(std::string code, std::vector<std::string> names);

    const std::string& Code() const { return code_; }
    const std::vector<std::string>& Names() const { return names_; }

    /// Reads the values from a parameter text of `NAME=VALUE` pairs separated
    /// by ";" ("EXCDIA=1;TABCORR=2"). Names are matched without regard to
    /// blanks around them or letter case; a value is kept exactly as written
    /// ("01" and "2 " stay so). The first pair of a name counts; pieces
    /// without "=" are ignored. Replaces the values read before.
    void SetParamText(const std::string& text);
    const std::string& ParamText() const { return text_; }

    /// @return the value of parameter @p name as written; "" when the text does not give it.
    std::string GetAsString(const std::string& name) const;

private:
    std::string code_;
    std::vector<std::string> names_;
    std::string text_;
    std::map<std::string, std::string> values_; ///< upper-cased name -> value
};

/// One billing parameter of TParamControl: the parameter at a fixed position
/// of the billing type chosen last with TiposFatur.
class TParamFat {
public:
    explicit TParamFat(int position) : position_(position) {}

    /// @return the parameter's name in the chosen type; "" when none is chosen
    /// or the type lists fewer parameters.
    std::string Name() const;
    /// @return the parameter's value as written in the parameter text; "" when
    /// no type is chosen, the type has no parameter at this position or the
    /// text does not give it.
    std::string GetAsString() const;

private:
    friend class TParamControl;
    int position_;
    const TTipoFatur* tipo_ = nullptr;
};

/// The billing parameters of a branch. The billing types (code -> parameter
/// names) come from the host context; the first two parameters of a type are
/// the day-exceptions and the correction-table parameters.
class TParamControl {
public:
    TParamControl() = default;
    TParamControl(const TParamControl&) = delete;
    TParamControl& operator=(const TParamControl&) = delete;

    /// (Re)reads the billing types from the current host context; no type is chosen after it.
    void StartParamFat();
    /// Chooses billing type @p code (blanks around it ignored) and binds the two
    /// parameters below to it.
    /// @return its parameter set, to be given the branch's parameter text.
    /// @throws std::out_of_range with a Portuguese message naming an unknown code.
    TTipoFatur& TiposFatur(const std::string& code);

    /// First parameter of the chosen type: day exceptions ("1" offers them).
    TParamFat ParamFatExcecaoDia{0};
    /// Second parameter of the chosen type: correction table ("2" offers it).
    TParamFat ParamFatTabCorr{1};

private:
    std::map<std::string, TTipoFatur> tipos_;
};

} // namespace gsf::host
