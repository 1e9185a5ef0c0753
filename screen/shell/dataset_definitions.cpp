#include "screen/shell/dataset_definitions.h"

#include "platform/data/dataset.h"
#include "records/records.h"

#include <string>

namespace gsf::screen {

using data::DataSet;
using data::FieldDef;

namespace {

using rec::Cliente;
using rec::CorrPrecGrup;
using rec::GrupServ;
using rec::ServClie;

// Type, size, decimals, display format and code masks come from the record
// declarations the server checks against, so a field accepts here exactly
// what the server accepts; the screen adds only labels, visibility and
// read-only state.
FieldDef field(const records::Table& table, const records::Key& key, const char* label = "")
{
    const records::Field& rec = table.field(key);
    FieldDef def;
    def.name = rec.name;
    def.type = rec.type;
    def.size = rec.isNumber() ? 0 : rec.size;
    def.label = label;
    if (rec.isNumber())
        def.decimals = rec.decimals;
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
FieldDef code(const records::Table& table, const records::Key& key, const char* label)
{
    FieldDef def = field(table, key, label);
    def.editMask = records::editMask(table.field(key));
    return def;
}

FieldDef staffMinimum(const records::Key& key, const char* label, bool visible)
{
    FieldDef def = field(records::grupServ(), key, label);
    def.displayFormat = records::grupServ().field(key).format;
    def.visible = visible;
    return def;
}

FieldDef percentage(const records::Key& key)
{
    FieldDef def = field(records::corrPrecGrup(), key);
    def.displayFormat = def.editFormat = records::corrPrecGrup().field(key).format;
    return def;
}

} // namespace

void defineGrupServ(DataSet& ds)
{
    const records::Table& t = records::grupServ();
    ds.ProviderName = "dspGrupServ";
    ds.AddField(hidden(field(t, GrupServ::CDFILIAL)));
    ds.AddField(hidden(field(t, GrupServ::CDCLIENTE)));
    ds.AddField(code(t, GrupServ::CDGRSERVFAT, "Código"));
    ds.AddField(field(t, GrupServ::DSGRSERVFAT, "Descrição"));
    ds.AddField(staffMinimum(GrupServ::QTEFETMINIGSF, "Mín. Efet. por Dia", true));
    for (const records::Key& day : kDayMinimumFields)
        ds.AddField(staffMinimum(day, "Mínimo Efetivos", false));
    ds.AddField(hidden(field(t, GrupServ::CDSERAJEFEGSF)));
}

void defineServClie(DataSet& ds)
{
    const records::Table& t = records::servClie();
    ds.ProviderName = "dspServClie";
    ds.AddField(code(t, ServClie::CDSERVFILI, "Código"));
    ds.AddField(field(t, ServClie::NMSERVICO, "Descrição"));
    ds.AddField(field(t, ServClie::IDCORREFET, "Corr. Efetivos"));
    ds.AddField(hidden(field(t, ServClie::CDGRSERVFAT)));
    ds.AddField(readOnly(hidden(field(t, ServClie::CDFILIAL))));
    ds.AddField(readOnly(hidden(field(t, ServClie::CDCLIENTE))));
}

void defineCorrPrecGrup(DataSet& ds)
{
    const records::Table& t = records::corrPrecGrup();
    ds.ProviderName = "dspCorrPrecGrup";
    ds.AddField(field(t, CorrPrecGrup::CDFILIAL));
    ds.AddField(field(t, CorrPrecGrup::CDCLIENTE));
    ds.AddField(percentage(CorrPrecGrup::VRPEINICGRUP));
    ds.AddField(percentage(CorrPrecGrup::VRPEFIMGRUP));
    ds.AddField(percentage(CorrPrecGrup::VRPECORRGRUP));
    ds.AddField(field(t, CorrPrecGrup::CDGRSERVFAT));
    // By end, then start, an open end first: the last row holds the largest end.
    ds.SetOrder({CorrPrecGrup::VRPEFIMGRUP.name, CorrPrecGrup::VRPEINICGRUP.name});
}

void defineCliente(DataSet& ds)
{
    const records::Table& t = records::cliente();
    ds.ProviderName = "dspPesqClie";
    ds.AddField(field(t, Cliente::NRINSJURCLIE, "Incrição"));
    ds.AddField(field(t, Cliente::NMRAZSOCCLIE, "Razão Social"));
    ds.AddField(hidden(field(t, Cliente::CDCLIENTE)));
    ds.AddField(hidden(field(t, Cliente::IDTPIJURCLIE)));
    ds.AddField(field(t, Cliente::NMFANTCLIE, "Nome Fantasia"));
}

void definePesqServ(DataSet& ds)
{
    const records::Table& t = records::pesqServ();
    ds.ProviderName = "dspPesqServ";
    ds.AddField(field(t, rec::PesqServ::CDSERVFILI, "Código"));
    ds.AddField(field(t, rec::PesqServ::NMSERVICO, "Nome"));
}

void defineVerifServ(DataSet& ds)
{
    ds.ProviderName = "dspVerifServ";
    ds.AddField(field(records::verifServ(), rec::VerifServ::CDSERVFILI));
}

void defineVerifGrupServ(DataSet& ds)
{
    ds.AddField(field(records::verifGrupServ(), rec::VerifGrupServ::CDFILIAL));
}

void defineParamFilial(DataSet& ds)
{
    const records::Table& t = records::paramFilial();
    ds.AddField(field(t, rec::ParamFilial::CDTIPOFATUR));
    ds.AddField(field(t, rec::ParamFilial::DSPARAMFATFI));
}

void defineIntervMaior(DataSet& ds)
{
    ds.AddField(readOnly(field(records::intervMaior(), rec::IntervMaior::VRPEFIMGRUP)));
}

void defineFilial(DataSet& ds)
{
    // The host's own branch table: its code is the branch code the server knows.
    const records::Table& t = records::filial();
    FieldDef code = field(t, rec::Filial::CDFILIAL, "Código");
    code.required = true;
    ds.AddField(code);
    ds.AddField(field(t, rec::Filial::NMFILIAL, "Nome"));
}

} // namespace gsf::screen
