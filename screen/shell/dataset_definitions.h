#pragma once

#include <array>

namespace gsf::data {
class DataSet;
}

namespace gsf::screen {

/// The group's eight day minimums, Sunday first and holidays last: the order
/// of their edits, their tab order and every check over them.
inline constexpr std::array<const char*, 8> kDayMinimumFields = {
    "QTEFMINDOMGSF", "QTEFMINSEGGSF", "QTEFMINTERGSF", "QTEFMINQUAGSF",
    "QTEFMINQUIGSF", "QTEFMINSEXGSF", "QTEFMINSABGSF", "QTEFMINFERGSF"};

/// Persistent fields of the screen's datasets, with their labels, formats and
/// masks. Each function declares the fields on an inactive dataset and sets its
/// provider name; the behaviour lives in the handlers of the subsystems.
void defineGrupServ(data::DataSet& cdsGrupServ);
void defineServClie(data::DataSet& cdsServClie);
void defineCorrPrecGrup(data::DataSet& cdsCorrPrecGrup);
void defineCliente(data::DataSet& cdsCliente);
void definePesqServ(data::DataSet& cdsPesqServ);
void defineVerifServ(data::DataSet& cdsVerifServ);
void defineVerifGrupServ(data::DataSet& cdsVerifGrupServ);
void defineParamFilial(data::DataSet& cdsParamFilial);
void defineIntervMaior(data::DataSet& cdsIntervMaior);
/// Fields of the branch query qryFilial (a dataset too).
void defineFilial(data::DataSet& qryFilial);

} // namespace gsf::screen
