#include "screen/shell/dataset_definitions.h"

#include "platform/data/dataset.h"
#include "platform/data/number_format.h"

namespace gsf::screen {

using data::DataSet;
using data::FieldDef;
using data::FieldType;

namespace {

constexpr const char* kStaffFormat = "#,##0.000";
constexpr const char* kPercentFormat = "0.00%";

FieldDef text(const char* name, int size, const char* label = "")
{
    FieldDef def;
    def.name = name;
    def.type = FieldType::String;
    def.size = size;
    def.label = label;
    return def;
}

FieldDef hiddenText(const char* name, int size)
{
    FieldDef def = text(name, size);
    def.visible = false;
    return def;
}

FieldDef number(const char* name, const char* label = "")
{
    FieldDef def;
    def.name = name;
    def.type = FieldType::Float;
    def.label = label;
    return def;
}

// A typed number keeps the decimals its format shows: what is shown is what is stored.
FieldDef staffMinimum(const char* name, const char* label, bool visible)
{
    FieldDef def = number(name, label);
    def.displayFormat = kStaffFormat;
    def.decimals = data::patternDecimals(kStaffFormat);
    def.visible = visible;
    return def;
}

FieldDef percentage(const char* name)
{
    FieldDef def = number(name);
    def.displayFormat = kPercentFormat;
    def.editFormat = kPercentFormat;
    def.decimals = data::patternDecimals(kPercentFormat);
    return def;
}

} // namespace

void defineGrupServ(DataSet& ds)
{
    ds.ProviderName = "dspGrupServ";
    ds.AddField(hiddenText("CDFILIAL", 4));
    ds.AddField(hiddenText("CDCLIENTE", 21));
    FieldDef code = text("CDGRSERVFAT", 3, "Código");
    code.editMask = "ccc;0; ";
    ds.AddField(code);
    ds.AddField(text("DSGRSERVFAT", 30, "Descrição"));
    ds.AddField(staffMinimum("QTEFETMINIGSF", "Mín. Efet. por Dia", true));
    for (const char* day : {"QTEFMINDOMGSF", "QTEFMINSEGGSF", "QTEFMINTERGSF", "QTEFMINQUAGSF",
                            "QTEFMINQUIGSF", "QTEFMINSEXGSF", "QTEFMINSABGSF", "QTEFMINFERGSF"})
        ds.AddField(staffMinimum(day, "Mínimo Efetivos", false));
    ds.AddField(hiddenText("CDSERAJEFEGSF", 5));
}

void defineServClie(DataSet& ds)
{
    ds.ProviderName = "dspServClie";
    FieldDef code = text("CDSERVFILI", 5, "Código");
    code.editMask = "99999;0; ";
    ds.AddField(code);
    ds.AddField(text("NMSERVICO", 40, "Descrição"));
    FieldDef flag = text("IDCORREFET", 3, "Corr. Efetivos");
    flag.type = FieldType::FixedString;
    ds.AddField(flag);
    ds.AddField(hiddenText("CDGRSERVFAT", 3));
    FieldDef branch = hiddenText("CDFILIAL", 4);
    branch.readOnly = true;
    ds.AddField(branch);
    FieldDef client = hiddenText("CDCLIENTE", 21);
    client.readOnly = true;
    ds.AddField(client);
}

void defineCorrPrecGrup(DataSet& ds)
{
    ds.ProviderName = "dspCorrPrecGrup";
    ds.AddField(text("CDFILIAL", 4));
    ds.AddField(text("CDCLIENTE", 21));
    ds.AddField(percentage("VRPEINICGRUP"));
    ds.AddField(percentage("VRPEFIMGRUP"));
    ds.AddField(percentage("VRPECORRGRUP"));
    ds.AddField(text("CDGRSERVFAT", 3));
    // By end, then start, an open end first: the last row holds the largest end.
    ds.SetOrder({"VRPEFIMGRUP", "VRPEINICGRUP"});
}

void defineCliente(DataSet& ds)
{
    ds.ProviderName = "dspPesqClie";
    ds.AddField(text("NRINSJURCLIE", 20, "Incrição"));
    ds.AddField(text("NMRAZSOCCLIE", 50, "Razão Social"));
    ds.AddField(hiddenText("CDCLIENTE", 21));
    ds.AddField(hiddenText("IDTPIJURCLIE", 1));
    ds.AddField(text("NMFANTCLIE", 50, "Nome Fantasia"));
}

void definePesqServ(DataSet& ds)
{
    ds.ProviderName = "dspPesqServ";
    ds.AddField(text("CDSERVFILI", 5, "Código"));
    ds.AddField(text("NMSERVICO", 40, "Nome"));
}

void defineVerifServ(DataSet& ds)
{
    ds.ProviderName = "dspVerifServ";
    ds.AddField(text("CDSERVFILI", 5));
}

void defineVerifGrupServ(DataSet& ds)
{
    ds.AddField(text("CDFILIAL", 4));
}

void defineParamFilial(DataSet& ds)
{
    ds.AddField(text("CDTIPOFATUR", 3));
    ds.AddField(text("DSPARAMFATFI", 200));
}

void defineIntervMaior(DataSet& ds)
{
    FieldDef end = number("VRPEFIMGRUP");
    end.readOnly = true;
    ds.AddField(end);
}

void defineFilial(DataSet& ds)
{
    FieldDef code = text("CDFILIAL", 4, "Código");
    code.required = true;
    ds.AddField(code);
    ds.AddField(text("NMFILIAL", 30, "Nome"));
}

} // namespace gsf::screen
