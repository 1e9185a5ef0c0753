#include "screen/shell/dataset_definitions.h"

#include "platform/data/dataset.h"
#include "records/records.h"

#include <stdexcept>
#include <string>

namespace gsf::screen {

using data::DataSet;
using data::FieldDef;

namespace {

// Type, size, decimals, display format and code masks come from the record
// declarations the server checks against, so a field accepts here exactly
// what the server accepts; the screen adds only labels, visibility and
// read-only state.
FieldDef field(const records::Table& table, const char* name, const char* label = "")
{
    const records::Field* rec = table.find(name);
    if (!rec)
        throw std::logic_error(std::string("campo ") + name + " fora do registro " + table.dataset);
    FieldDef def;
    def.name = name;
    def.type = rec->type;
    def.size = rec->isNumber() ? 0 : rec->size;
    def.label = label;
    if (rec->isNumber())
        def.decimals = rec->decimals;
    return def;
}

FieldDef hidden(FieldDef def)
{
    def.visible = false;
    return def;
}

FieldDef readOnly(FieldDef def)
{
    def.readOnly = true;
    return def;
}

// A code typed through its mask: the characters the server takes for it.
FieldDef code(const records::Table& table, const char* name, const char* label)
{
    FieldDef def = field(table, name, label);
    def.editMask = records::editMask(*table.find(name));
    return def;
}

FieldDef staffMinimum(const char* name, const char* label, bool visible)
{
    FieldDef def = field(records::grupServ(), name, label);
    def.displayFormat = records::grupServ().find(name)->format;
    def.visible = visible;
    return def;
}

FieldDef percentage(const char* name)
{
    FieldDef def = field(records::corrPrecGrup(), name);
    def.displayFormat = def.editFormat = records::corrPrecGrup().find(name)->format;
    return def;
}

} // namespace

void defineGrupServ(DataSet& ds)
{
    const records::Table& t = records::grupServ();
    ds.ProviderName = "dspGrupServ";
    ds.AddField(hidden(field(t, "CDFILIAL")));
    ds.AddField(hidden(field(t, "CDCLIENTE")));
    ds.AddField(code(t, "CDGRSERVFAT", "Código"));
    ds.AddField(field(t, "DSGRSERVFAT", "Descrição"));
    ds.AddField(staffMinimum("QTEFETMINIGSF", "Mín. Efet. por Dia", true));
    for (const char* day : kDayMinimumFields)
        ds.AddField(staffMinimum(day, "Mínimo Efetivos", false));
    ds.AddField(hidden(field(t, "CDSERAJEFEGSF")));
}

void defineServClie(DataSet& ds)
{
    const records::Table& t = records::servClie();
    ds.ProviderName = "dspServClie";
    ds.AddField(code(t, "CDSERVFILI", "Código"));
    ds.AddField(field(t, "NMSERVICO", "Descrição"));
    ds.AddField(field(t, "IDCORREFET", "Corr. Efetivos"));
    ds.AddField(hidden(field(t, "CDGRSERVFAT")));
    ds.AddField(readOnly(hidden(field(t, "CDFILIAL"))));
    ds.AddField(readOnly(hidden(field(t, "CDCLIENTE"))));
}

void defineCorrPrecGrup(DataSet& ds)
{
    const records::Table& t = records::corrPrecGrup();
    ds.ProviderName = "dspCorrPrecGrup";
    ds.AddField(field(t, "CDFILIAL"));
    ds.AddField(field(t, "CDCLIENTE"));
    ds.AddField(percentage("VRPEINICGRUP"));
    ds.AddField(percentage("VRPEFIMGRUP"));
    ds.AddField(percentage("VRPECORRGRUP"));
    ds.AddField(field(t, "CDGRSERVFAT"));
    // By end, then start, an open end first: the last row holds the largest end.
    ds.SetOrder({"VRPEFIMGRUP", "VRPEINICGRUP"});
}

void defineCliente(DataSet& ds)
{
    const records::Table& t = records::cliente();
    ds.ProviderName = "dspPesqClie";
    ds.AddField(field(t, "NRINSJURCLIE", "Incrição"));
    ds.AddField(field(t, "NMRAZSOCCLIE", "Razão Social"));
    ds.AddField(hidden(field(t, "CDCLIENTE")));
    ds.AddField(hidden(field(t, "IDTPIJURCLIE")));
    ds.AddField(field(t, "NMFANTCLIE", "Nome Fantasia"));
}

void definePesqServ(DataSet& ds)
{
    const records::Table& t = records::pesqServ();
    ds.ProviderName = "dspPesqServ";
    ds.AddField(field(t, "CDSERVFILI", "Código"));
    ds.AddField(field(t, "NMSERVICO", "Nome"));
}

void defineVerifServ(DataSet& ds)
{
    ds.ProviderName = "dspVerifServ";
    ds.AddField(field(records::verifServ(), "CDSERVFILI"));
}

void defineVerifGrupServ(DataSet& ds) { ds.AddField(field(records::verifGrupServ(), "CDFILIAL")); }

void defineParamFilial(DataSet& ds)
{
    const records::Table& t = records::paramFilial();
    ds.AddField(field(t, "CDTIPOFATUR"));
    ds.AddField(field(t, "DSPARAMFATFI"));
}

void defineIntervMaior(DataSet& ds) { ds.AddField(readOnly(field(records::intervMaior(), "VRPEFIMGRUP"))); }

void defineFilial(DataSet& ds)
{
    // The host's own branch table: its code is the branch code the server knows.
    FieldDef code;
    code.name = "CDFILIAL";
    code.size = records::branchField().size;
    code.label = "Código";
    code.required = true;
    ds.AddField(code);
    FieldDef name;
    name.name = "NMFILIAL";
    name.size = 30;
    name.label = "Nome";
    ds.AddField(name);
}

} // namespace gsf::screen
