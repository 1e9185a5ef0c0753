#include "screen/shell/frm_grup_serv_fat.h"
#include "records/remote_module.h"

#include "platform/host/control_routines.h"
#include "platform/host/errors.h"
#include "platform/host/host_context.h"
#include "platform/host/progress.h"
#include "records/records.h"
#include "screen/shell/cli_vex04120.h"
#include "screen/shell/dataset_definitions.h"
#include "screen/shell/message_catalogue.h"
#include "screen/shell/screen_helpers.h"

namespace gsf::screen {

using host::TBtnPesquisa;
using rec::Cliente;
using rec::CorrPrecGrup;
using rec::GrupServ;
using rec::ServClie;
using ui::Alignment;
using ui::Bevel;
using ui::DBEdit;
using ui::Label;

namespace {

constexpr int kBranchTag = 55;

struct DayRow {
    const char* label;
    const char* caption;
    const char* edit;
};

// In the order of kDayMinimumFields.
constexpr DayRow kDays[] = {
    {"lblDomingo", "Domingo", "dbeQtEfetDom"},     {"lblSegunda", "Segunda-feira", "dbeQtEfetSeg"},
    {"lblTerca", "Terça-feira", "dbeQtEfetTer"},   {"lblQuarta", "Quarta-feira", "dbeQtEfetQua"},
    {"lblQuinta", "Quinta-feira", "dbeQtEfetQui"}, {"lblSexta", "Sexta-feira", "dbeQtEfetSex"},
    {"lblSabado", "Sábado", "dbeQtEfetSab"},       {"lblFeriados", "Feriados", "dbeQtEfetFer"},
};

ui::GridOptions gridOptions()
{
    ui::GridOptions options;
    options.editing = true;
    options.titles = true;
    options.columnResize = true;
    options.colLines = true;
    options.rowLines = true;
    options.tabs = true;
    options.alwaysShowSelection = true;
    options.confirmDelete = true;
    return options;
}

ui::Column& addColumn(ui::DBGrid& grid, data::FieldKey field, int width)
{
    ui::Column& column = grid.AddColumn(field.name);
    column.SetWidth(width);
    return column;
}

} // namespace

TfrmGrupServFat::TfrmGrupServFat(UnitState& unit)
    : host::TfrmPadraoGrid("frmGrupServFat"), panFiltro(Add<ui::Panel>(*this, "panFiltro")),
      lblFilial(Add<Label>(panFiltro, "lblFilial")), medCdFilial(Add<ui::MaskEdit>(panFiltro, "medCdFilial")),
      btpFilial(Add<TBtnPesquisa>(panFiltro, "btpFilial")), edtNmFilial(Add<ui::Edit>(panFiltro, "edtNmFilial")),
      lblCliente(Add<Label>(panFiltro, "lblCliente")), medCdCliente(Add<ui::MaskEdit>(panFiltro, "medCdCliente")),
      btpCliente(Add<TBtnPesquisa>(panFiltro, "btpCliente")), edtNmCliente(Add<ui::Edit>(panFiltro, "edtNmCliente")),
      tshServico(Add<ui::TabSheet>(pgcPadrao, "tshServico")), dbgServico(Add<ui::DBGrid>(tshServico, "dbgServico")),
      tshExcecao(Add<ui::TabSheet>(pgcPadrao, "tshExcecao")), grbExcDia(Add<ui::GroupBox>(tshExcecao, "grbExcDia")),
      bvlTitulo(Add<Bevel>(grbExcDia, "bvlTitulo")), bvlDivisaoEsq(Add<Bevel>(grbExcDia, "bvlDivisaoEsq")),
      bvlDivisaoCentro(Add<Bevel>(grbExcDia, "bvlDivisaoCentro")), lblDiaEsq(Add<Label>(grbExcDia, "lblDiaEsq")),
      lblMinEfetEsq(Add<Label>(grbExcDia, "lblMinEfetEsq")), lblDiaDir(Add<Label>(grbExcDia, "lblDiaDir")),
      lblMinEfetDir(Add<Label>(grbExcDia, "lblMinEfetDir")), lblDomingo(Add<Label>(grbExcDia, kDays[0].label)),
      lblSegunda(Add<Label>(grbExcDia, kDays[1].label)), lblTerca(Add<Label>(grbExcDia, kDays[2].label)),
      lblQuarta(Add<Label>(grbExcDia, kDays[3].label)), lblQuinta(Add<Label>(grbExcDia, kDays[4].label)),
      lblSexta(Add<Label>(grbExcDia, kDays[5].label)), lblSabado(Add<Label>(grbExcDia, kDays[6].label)),
      lblFeriados(Add<Label>(grbExcDia, kDays[7].label)), dbeQtEfetDom(Add<DBEdit>(grbExcDia, kDays[0].edit)),
      dbeQtEfetSeg(Add<DBEdit>(grbExcDia, kDays[1].edit)), dbeQtEfetTer(Add<DBEdit>(grbExcDia, kDays[2].edit)),
      dbeQtEfetQua(Add<DBEdit>(grbExcDia, kDays[3].edit)), dbeQtEfetQui(Add<DBEdit>(grbExcDia, kDays[4].edit)),
      dbeQtEfetSex(Add<DBEdit>(grbExcDia, kDays[5].edit)), dbeQtEfetSab(Add<DBEdit>(grbExcDia, kDays[6].edit)),
      dbeQtEfetFer(Add<DBEdit>(grbExcDia, kDays[7].edit)), tshTabCorr(Add<ui::TabSheet>(pgcPadrao, "tshTabCorr")),
      dbgCorrPrecGrup(Add<ui::DBGrid>(tshTabCorr, "dbgCorrPrecGrup")),
      mnuGrupServ(Add<ui::MenuItem>(mnuOperacao, "mnuGrupServ", "&Grupo de Serviço")),
      mnuServ(Add<ui::MenuItem>(mnuOperacao, "mnuServ", "Ser&viços")),
      mnuExce(Add<ui::MenuItem>(mnuOperacao, "mnuExce", "&Exceções Dia")),
      mnuTabCorr(Add<ui::MenuItem>(mnuOperacao, "mnuTabCorr", "&Tabela de Correção")),
      mnuLinha2(Add<ui::MenuItem>(mnuOperacao, "mnuLinha2", "-")), unit_(unit)
{
    for (const std::string& line : msgPadraoEntries())
        msgPadrao.AddLine(line);
    defineGrupServ(cdsGrupServ);
    defineServClie(cdsServClie);
    defineCorrPrecGrup(cdsCorrPrecGrup);
    defineCliente(cdsCliente);
    definePesqServ(cdsPesqServ);
    defineVerifServ(cdsVerifServ);
    defineVerifGrupServ(cdsVerifGrupServ);
    defineParamFilial(cdsParamFilial);
    defineIntervMaior(cdsIntervMaior);
    defineFilial(qryFilial);
    // The server's copy of the group list is checked against the same fields.
    defineGrupServ(gruposNoServidor_);
    qryFilial.SQL = {"SELECT",
                     "   CDFILIAL,",
                     "   NMFILIAL",
                     "FROM",
                     "   FILIAL",
                     "WHERE",
                     "   (CDFILIAL = :P_CDFILIAL OR  :P_TCDFILIAL = 'T')",
                     "ORDER BY",
                     "   CDFILIAL"};

    dtsPadrao.SetDataSet(&cdsGrupServ);
    dtsServClie.SetDataSet(&cdsServClie);
    dtsCorrPrecGrup.SetDataSet(&cdsCorrPrecGrup);
    dtsCliente.SetDataSet(&cdsCliente);
    dtsPesqServ.SetDataSet(&cdsPesqServ);
    dtsFilial.SetDataSet(&qryFilial);

    layOut();
    bindEvents();
    bindDataEvents();
}

// The controls link to data sources that are members of this class: they
// must go while those still exist.
TfrmGrupServFat::~TfrmGrupServFat()
{
    DestroyComponents();
}

std::array<DBEdit*, 8> TfrmGrupServFat::DayEdits() const
{
    return {&dbeQtEfetDom, &dbeQtEfetSeg, &dbeQtEfetTer, &dbeQtEfetQua,
            &dbeQtEfetQui, &dbeQtEfetSex, &dbeQtEfetSab, &dbeQtEfetFer};
}

void TfrmGrupServFat::layOut()
{
    SetCaption("Grupo de Serviço para Faturamento");
    SetMdiChild(true);
    SetBounds({239, 183, 486, 336});
    SetHelpFile("VexHelp.hlp");
    SetHelpContext(13300300);
    lblCodTela.SetCaption("VEX04120");
    sbtImprimir.SetEnabled(false);
    // The navigator names the current group on every page.
    dbtNome.SetDataField(GrupServ::DSGRSERVFAT.name);
    layOutFilter();
    layOutPages();
    layOutDayMinimums();
    layOutMenu();
    SetActiveControl(&medCdFilial);
}

void TfrmGrupServFat::layOutFilter()
{
    panFiltro.SetAlign(ui::Align::Top);
    panFiltro.SetBounds({0, 30, 486, 56});
    // The filter comes before the pages when Tab walks the window.
    panFiltro.SetTabOrder(0);
    pgcPadrao.SetTabOrder(1);
    panNavigator.SetTabOrder(2);

    lblFilial.SetCaption("Filial");
    lblFilial.SetFocusControl(&medCdFilial);
    lblFilial.SetBounds({8, 8, 24, 13});
    medCdFilial.SetEditMask(records::editMask(records::branchField()));
    medCdFilial.SetMaxLength(4);
    medCdFilial.SetTabOrder(0);
    medCdFilial.SetBounds({56, 4, 41, 21});
    btpFilial.SetHint("Pesquisar");
    btpFilial.Title = "Filial";
    btpFilial.EmptyText = "Não há filial cadastrada.";
    btpFilial.DataSource = &dtsFilial;
    btpFilial.EditControl = &medCdFilial;
    btpFilial.SetBounds({98, 4, 32, 21});
    edtNmFilial.SetEnabled(false);
    edtNmFilial.SetTabStop(false);
    edtNmFilial.SetBounds({132, 4, 340, 21});
    for (ui::Control* branch : std::initializer_list<ui::Control*>{&lblFilial, &medCdFilial, &btpFilial, &edtNmFilial})
        branch->SetTag(kBranchTag);

    lblCliente.SetCaption("Cliente");
    lblCliente.SetFocusControl(&medCdCliente);
    lblCliente.SetBounds({8, 32, 32, 13});
    medCdCliente.SetMaxLength(20);
    medCdCliente.SetTabOrder(1);
    medCdCliente.SetBounds({56, 28, 121, 21});
    btpCliente.SetHint("Pesquisar");
    btpCliente.Title = "Cliente";
    btpCliente.EmptyText = "Não há cliente cadastrado.";
    btpCliente.DataSource = &dtsCliente;
    btpCliente.EditControl = &medCdCliente;
    btpCliente.SetBounds({178, 28, 32, 21});
    edtNmCliente.SetEnabled(false);
    edtNmCliente.SetTabStop(false);
    edtNmCliente.SetBounds({212, 28, 260, 21});
}

void TfrmGrupServFat::layOutPages()
{
    tshPadrao.SetCaption("Grupo de Serviço");
    dbgPadrao.SetOptions(gridOptions());
    addColumn(dbgPadrao, GrupServ::CDGRSERVFAT, 43);
    addColumn(dbgPadrao, GrupServ::DSGRSERVFAT, 202);
    addColumn(dbgPadrao, GrupServ::QTEFETMINIGSF, 91);

    tshServico.SetCaption("Serviços");
    dbgServico.SetAlign(ui::Align::Client);
    dbgServico.SetColor(ui::ColorRole::InfoBackground);
    dbgServico.SetOptions(gridOptions());
    dbgServico.SetDataSource(&dtsServClie);
    addColumn(dbgServico, ServClie::CDSERVFILI, 43);
    addColumn(dbgServico, ServClie::NMSERVICO, 201).SetReadOnly(true);
    addColumn(dbgServico, ServClie::IDCORREFET, 70).SetPickList({"Sim", "Não"});

    tshExcecao.SetCaption("Exceções Dia");

    tshTabCorr.SetCaption("Tabela de Correção");
    dbgCorrPrecGrup.SetAlign(ui::Align::Client);
    dbgCorrPrecGrup.SetOptions(gridOptions());
    dbgCorrPrecGrup.SetDataSource(&dtsCorrPrecGrup);
    const std::pair<data::FieldKey, const char*> intervals[] = {
        {CorrPrecGrup::VRPEINICGRUP, "Intervalo Inicial (Exc.)"},
        {CorrPrecGrup::VRPEFIMGRUP, "Intervalo Final (Inc.)"},
        {CorrPrecGrup::VRPECORRGRUP, "Percentual de Correção"}};
    for (const auto& [field, title] : intervals) {
        // 8-point pixels: the three titles and the row indicator fill the page.
        ui::Column& column = addColumn(dbgCorrPrecGrup, field, 115);
        column.SetTitleCaption(title);
        column.SetTitleAlignment(Alignment::Right);
        column.SetCellAlignment(Alignment::Right);
    }
    dbgCorrPrecGrup.ColumnAt(0).SetReadOnly(true);
}

void TfrmGrupServFat::layOutDayMinimums()
{
    grbExcDia.SetAlign(ui::Align::Client);
    bvlTitulo.SetShape(ui::BevelShape::BottomLine);
    bvlTitulo.SetBounds({8, 20, 460, 4});
    bvlDivisaoEsq.SetShape(ui::BevelShape::LeftLine);
    bvlDivisaoEsq.SetBounds({116, 2, 4, 120});
    bvlDivisaoCentro.SetShape(ui::BevelShape::LeftLine);
    bvlDivisaoCentro.SetBounds({236, 2, 4, 120});
    const std::pair<Label*, const char*> headers[] = {{&lblDiaEsq, "Dia"},
                                                      {&lblMinEfetEsq, "Mínino Efetivos"},
                                                      {&lblDiaDir, "Dia"},
                                                      {&lblMinEfetDir, "Mínino Efetivos"}};
    int left = 8;
    for (const auto& [label, caption] : headers) {
        label->SetCaption(caption);
        label->SetBounds({left, 4, 100, 13});
        left += 116;
    }

    const std::array<Label*, 8> labels = {&lblDomingo, &lblSegunda, &lblTerca,  &lblQuarta,
                                          &lblQuinta,  &lblSexta,   &lblSabado, &lblFeriados};
    const std::array<DBEdit*, 8> edits = DayEdits();
    for (int day = 0; day < 8; ++day) {
        const auto d = static_cast<std::size_t>(day);
        const int pairLeft = day < 4 ? 8 : 240;
        // Four rows of 24 pixels fit the page of the 336-pixel window.
        const int top = 26 + (day % 4) * 24;
        labels[d]->SetCaption(kDays[d].caption);
        labels[d]->SetFocusControl(edits[d]);
        labels[d]->SetBounds({pairLeft, top + 4, 100, 13});
        edits[d]->SetDataSource(&dtsPadrao);
        edits[d]->SetDataField(kDayMinimumFields[d].name);
        edits[d]->SetMaxLength(10);
        edits[d]->SetTabOrder(day);
        edits[d]->SetBounds({pairLeft + 116, top, 100, 21});
    }
}

void TfrmGrupServFat::layOutMenu()
{
    const std::array<ui::MenuItem*, 5> pages = {&mnuGrupServ, &mnuServ, &mnuExce, &mnuTabCorr, &mnuLinha2};
    for (int i = 0; i < 5; ++i)
        pages[static_cast<std::size_t>(i)]->SetMenuIndex(i);
    mnuGrupServ.SetChecked(true);
    mnuServ.SetEnabled(false);
    mnuExce.SetEnabled(false);
    mnuTabCorr.SetEnabled(false);
}

void TfrmGrupServFat::bindEvents()
{
    OnCreate = [this](ui::Form& s) { FormCreate(s); };
    OnShow = [this](ui::Form& s) { FormShow(s); };
    OnActivate = [this](ui::Form& s) { FormActivate(s); };
    OnClose = [this](ui::Form& s, ui::CloseAction& action) { FormClose(s, action); };
    OnIdle = [this](ui::Form& s) { FormIdle(s); };
    OnKeyDown = [this](ui::Control& s, int& key, ui::ShiftState shift) { FormKeyDown(s, key, shift); };
    netGrupServFat.ServerName = records::kModuleName;
    netGrupServFat.BeforeConnect = [this](remote::RemoteConnection& s) { netGrupServFatBeforeConnect(s); };

    pgcPadrao.OnChanging = [this](ui::PageControl& s, bool& allow) { pgcPadraoChanging(s, allow); };
    pgcPadrao.OnChange = [this](ui::PageControl& s) { pgcPadraoChange(s); };
    pgcPadrao.OnExit = [this](ui::Control& s) { pgcPadraoExit(s); };

    panFiltro.OnEnter = [this](ui::Control& s) { panFiltroEnter(s); };
    panFiltro.OnExit = [this](ui::Control& s) { panFiltroExit(s); };
    medCdFilial.OnChange = [this](ui::Control& s) { medCdFilialChange(s); };
    medCdFilial.OnExit = [this](ui::Control& s) { medCdFilialExit(s); };
    medCdCliente.OnChange = [this](ui::Control& s) { medCdClienteChange(s); };
    medCdCliente.OnEnter = [this](ui::Control& s) { medCdClienteEnter(s); };
    medCdCliente.OnExit = [this](ui::Control& s) { medCdClienteExit(s); };
    btpFilial.BeforePesq = [this](TBtnPesquisa& s, bool& proceed) { btpFilialBeforePesq(s, proceed); };
    btpFilial.AfterPesq = [this](TBtnPesquisa& s) { btpFilialAfterPesq(s); };
    btpCliente.BeforePesq = [this](TBtnPesquisa& s, bool& proceed) { btpClienteBeforePesq(s, proceed); };
    btpCliente.AfterPesq = [this](TBtnPesquisa& s) { btpClienteAfterPesq(s); };

    dbgPadrao.OnColExit = [this](ui::Control& s) { dbgPadraoColExit(s); };
    dbgPadrao.OnExit = [this](ui::Control& s) { dbgPadraoExit(s); };
    const std::array<void (TfrmGrupServFat::*)(ui::Control&), 8> dayExits = {
        &TfrmGrupServFat::dbeQtEfetDomExit, &TfrmGrupServFat::dbeQtEfetSegExit, &TfrmGrupServFat::dbeQtEfetTerExit,
        &TfrmGrupServFat::dbeQtEfetQuaExit, &TfrmGrupServFat::dbeQtEfetQuiExit, &TfrmGrupServFat::dbeQtEfetSexExit,
        &TfrmGrupServFat::dbeQtEfetSabExit, &TfrmGrupServFat::dbeQtEfetFerExit};
    const std::array<DBEdit*, 8> edits = DayEdits();
    for (std::size_t d = 0; d < 8; ++d)
        edits[d]->OnExit = [this, exit = dayExits[d]](ui::Control& s) { (this->*exit)(s); };

    dbgServico.OnKeyPress = [this](ui::Control& s, char32_t& ch) { dbgServicoKeyPress(s, ch); };
    dbgServico.OnEditButtonClick = [this](ui::Control& s) { dbgServicoEditButtonClick(s); };
    dbgServico.OnColExit = [this](ui::Control& s) { dbgServicoColExit(s); };
    dbgCorrPrecGrup.OnColExit = [this](ui::Control& s) { dbgCorrPrecGrupColExit(s); };
    // No grid key inserts an interval: a new one comes from the include
    // command, which puts it after every other.
    dbgCorrPrecGrup.OnKeyDown = [this](ui::Control& s, int& key, ui::ShiftState shift) {
        dbgPadraoKeyDown(s, key, shift);
    };

    // The screen's own commands replace the base form's: each acts on the
    // list of the page in front.
    sbtIncluir.OnClick = [this](ui::Control& s) { sbtIncluirClick(s); };
    sbtAlterar.OnClick = [this](ui::Control& s) { sbtAlterarClick(s); };
    sbtExcluir.OnClick = [this](ui::Control& s) { sbtExcluirClick(s); };
    sbtCancelar.OnClick = [this](ui::Control& s) { sbtCancelarClick(s); };
    sbtConfirmar.OnClick = [this](ui::Control& s) { sbtConfirmarClick(s); };
    sbtProcurar.OnClick = [this](ui::Control& s) { sbtProcurarClick(s); };
    sbtVerificar.OnClick = [this](ui::Control& s) { sbtVerificarClick(s); };
    dbgServico.OnKeyDown = [this](ui::Control& s, int& key, ui::ShiftState shift) { dbgPadraoKeyDown(s, key, shift); };

    mnuGrupServ.OnClick = [this](ui::MenuItem& s) { mnuGrupServClick(s); };
    mnuServ.OnClick = [this](ui::MenuItem& s) { mnuServClick(s); };
    mnuExce.OnClick = [this](ui::MenuItem& s) { mnuExceClick(s); };
    mnuTabCorr.OnClick = [this](ui::MenuItem& s) { mnuTabCorrClick(s); };
}

void TfrmGrupServFat::bindDataEvents()
{
    dtsPadrao.OnStateChange = [this](data::DataSource& s) { dtsPadraoStateChange(s); };
    dtsServClie.OnStateChange = [this](data::DataSource& s) { dtsServClieStateChange(s); };
    dtsCorrPrecGrup.OnStateChange = [this](data::DataSource& s) { dtsCorrPrecGrupStateChange(s); };

    cdsGrupServ.BeforeOpen = [this](data::DataSet& d) { cdsGrupServBeforeOpen(d); };
    cdsGrupServ.AfterOpen = [this](data::DataSet& d) { cdsGrupServAfterOpen(d); };
    cdsGrupServ.BeforeClose = [this](data::DataSet& d) { cdsGrupServBeforeClose(d); };
    cdsGrupServ.BeforeInsert = [this](data::DataSet& d) { cdsGrupServBeforeInsert(d); };
    cdsGrupServ.AfterInsert = [this](data::DataSet& d) { cdsGrupServAfterInsert(d); };
    cdsGrupServ.BeforePost = [this](data::DataSet& d) { cdsGrupServBeforePost(d); };
    cdsGrupServ.AfterPost = [this](data::DataSet& d) { cdsGrupServAfterPost(d); };
    cdsGrupServ.AfterCancel = [this](data::DataSet& d) { cdsGrupServAfterCancel(d); };
    cdsGrupServ.AfterDelete = [this](data::DataSet& d) { cdsGrupServAfterDelete(d); };
    cdsGrupServ.BeforeScroll = [this](data::DataSet& d) { cdsGrupServBeforeScroll(d); };
    cdsGrupServ.AfterScroll = [this](data::DataSet& d) { cdsGrupServAfterScroll(d); };
    cdsGrupServ.FieldByName(GrupServ::QTEFETMINIGSF).OnValidate = [this](data::Field& f) {
        cdsGrupServQTEFETMINIGSFValidate(f);
    };

    cdsServClie.AfterOpen = [this](data::DataSet& d) { cdsServClieAfterOpen(d); };
    cdsServClie.BeforeClose = [this](data::DataSet& d) { cdsServClieBeforeClose(d); };
    cdsServClie.AfterInsert = [this](data::DataSet& d) { cdsServClieAfterInsert(d); };
    cdsServClie.AfterDelete = [this](data::DataSet& d) { cdsServClieAfterDelete(d); };
    cdsServClie.BeforePost = [this](data::DataSet& d) { cdsServClieBeforePost(d); };
    cdsServClie.AfterPost = [this](data::DataSet& d) { cdsServClieAfterPost(d); };
    data::Field& flag = cdsServClie.FieldByName(ServClie::IDCORREFET);
    flag.OnGetText = [this](data::Field& f, std::string& text, bool display) {
        cdsServClieIDCORREFETGetText(f, text, display);
    };
    flag.OnSetText = [this](data::Field& f, const std::string& text) { cdsServClieIDCORREFETSetText(f, text); };

    cdsCorrPrecGrup.AfterOpen = [this](data::DataSet& d) { cdsCorrPrecGrupAfterOpen(d); };
    cdsCorrPrecGrup.BeforeClose = [this](data::DataSet& d) { cdsCorrPrecGrupBeforeClose(d); };
    cdsCorrPrecGrup.AfterInsert = [this](data::DataSet& d) { cdsCorrPrecGrupAfterInsert(d); };
    cdsCorrPrecGrup.BeforePost = [this](data::DataSet& d) { cdsCorrPrecGrupBeforePost(d); };
    // Every change, a deletion too, goes to the server on its own.
    cdsCorrPrecGrup.AfterPost = [this](data::DataSet& d) { cdsCorrPrecGrupAfterPost(d); };
    cdsCorrPrecGrup.AfterDelete = [this](data::DataSet& d) { cdsCorrPrecGrupAfterPost(d); };
    cdsCorrPrecGrup.AfterCancel = [this](data::DataSet& d) { cdsCorrPrecGrupAfterCancel(d); };
    cdsCorrPrecGrup.AfterScroll = [this](data::DataSet& d) { cdsCorrPrecGrupAfterScroll(d); };

    cdsCliente.FieldByName(Cliente::NRINSJURCLIE).OnGetText = [this](data::Field& f, std::string& text, bool display) {
        cdsClienteNRINSJURCLIEGetText(f, text, display);
    };
}

// --- lifecycle ---

void TfrmGrupServFat::FormCreate(ui::Form& sender)
{
    TfrmPadraoGrid::FormCreate(sender);
    {
        const host::ProgressScope progress(this, 0, "");
        netGrupServFat.Open();
    }
    host::SetActivePage(pgcPadrao, tshPadrao);
    const std::pair<ui::TabSheet*, ui::MenuItem*> later[] = {
        {&tshServico, &mnuServ}, {&tshExcecao, &mnuExce}, {&tshTabCorr, &mnuTabCorr}};
    for (const auto& [page, entry] : later) {
        page->SetEnabled(false);
        entry->SetEnabled(false);
    }
    unit_.ParamControl = std::make_unique<host::TParamControl>();
    unit_.ParamControl->StartParamFat();
}

void TfrmGrupServFat::FormShow(ui::Form& /*sender*/)
{
    const bool branchFree = !host::ModuFili();
    lblFilial.SetEnabled(branchFree);
    medCdFilial.SetEnabled(branchFree);
    btpFilial.SetEnabled(branchFree);
    medCdFilial.SetText(host::FiliProcFat());
    // After the code: its change handler empties the name.
    edtNmFilial.SetText(host::NomeFiliProcFat());
}

void TfrmGrupServFat::FormActivate(ui::Form& /*sender*/)
{
    Repaint();
}

void TfrmGrupServFat::FormClose(ui::Form& sender, ui::CloseAction& action)
{
    // Closing drops whatever is being typed: only when the person says so.
    if (registroPendente()) {
        if (msgMensagensPadroes.ShowMsg("Canc", host::MsgConfirmation) != host::IdYes) {
            action = ui::CloseAction::None;
            return;
        }
        cdsCorrPrecGrup.Cancel();
        cdsServClie.Cancel();
        cdsGrupServ.Cancel();
    }
    if (cdsServClie.Active() && !cdsServClie.IsEmpty()) {
        const OnFailure keepOpen([&] {
            action = ui::CloseAction::None;
            voltaServicos();
        });
        Vd_ServicoCorrEfet();
        Vd_ServGrupo();
    }
    unit_.FormCriado = false;
    netGrupServFat.Close();
    TfrmPadraoGrid::FormClose(sender, action);
}

void TfrmGrupServFat::FormKeyDown(ui::Control& /*sender*/, int& key, ui::ShiftState /*shift*/)
{
    if (key != ui::VK_F12 || dtsPadrao.State() != data::DataSetState::Browse)
        return;
    focusIfCan(host::ModuFili() ? medCdCliente : medCdFilial);
}

void TfrmGrupServFat::netGrupServFatBeforeConnect(remote::RemoteConnection& sender)
{
    sender.Host = host::WebURL();
    sender.Port = host::WebPort();
}

// --- shared helpers ---

std::string TfrmGrupServFat::clienteEscolhido() const
{
    return emptyOrClosed(cdsCliente) ? std::string() : cdsCliente.FieldByName(Cliente::CDCLIENTE).AsString();
}

bool TfrmGrupServFat::registroPendente() const
{
    return editing(cdsGrupServ.State()) || editing(cdsServClie.State()) || editing(cdsCorrPrecGrup.State());
}

void TfrmGrupServFat::voltaServicos()
{
    mostraServicos();
    if (tshServico.Enabled())
        focusIfCan(dbgServico);
}

void TfrmGrupServFat::verificaCorrEfetOuVolta()
{
    const OnFailure back([this] { voltaServicos(); });
    Vd_ServicoCorrEfet();
}

void TfrmGrupServFat::verificaCorrEfetAoMover()
{
    const ScopedFlag moving(movendoGrupos_, true);
    verificaCorrEfetOuVolta();
}

void TfrmGrupServFat::marcaMenuPaginas()
{
    const ui::TabSheet* front = pgcPadrao.ActivePage();
    mnuGrupServ.SetChecked(front == &tshPadrao);
    mnuServ.SetChecked(front == &tshServico);
    mnuExce.SetChecked(front == &tshExcecao);
    mnuTabCorr.SetChecked(front == &tshTabCorr);
}

void TfrmGrupServFat::focaCampo(data::Field& field)
{
    try {
        field.FocusControl();
    } catch (const host::Abort&) {}
}

void TfrmGrupServFat::desabilitaProcurar()
{
    sbtProcurar.SetEnabled(false);
    mnuProcurar.SetEnabled(false);
}

TfrmGrupServFat::ChaveGrupo TfrmGrupServFat::grupoCorrente() const
{
    return {currentText(cdsGrupServ, GrupServ::CDFILIAL), currentText(cdsGrupServ, GrupServ::CDCLIENTE),
            currentText(cdsGrupServ, GrupServ::CDGRSERVFAT)};
}

void TfrmGrupServFat::carregaServClie()
{
    carregaListaDoGrupo(cdsServClie, servClieDe_, &RdmGrupServFat::GetServClie);
}

void TfrmGrupServFat::carregaCorrPrecGrup()
{
    carregaListaDoGrupo(cdsCorrPrecGrup, corrPrecGrupDe_, &RdmGrupServFat::GetCorrPrecGrup);
}

void TfrmGrupServFat::carregaListaDoGrupo(data::DataSet& list, ChaveGrupo& loadedFor, LeituraDoGrupo read)
{
    const ChaveGrupo group = grupoCorrente();
    {
        const OnFailure closeOthers([this] { fechaListasDeOutroGrupo(); });
        list.SetData(confereServ((rdmGrupServFat.*read)(group.filial, group.cliente, group.grupo)));
    }
    loadedFor = group;
}

void TfrmGrupServFat::enviaAlteracoes(data::DataSet& list, const char* captionKey, EnvioDeAlteracoes send)
{
    const OnFailure drop([&list] { list.CancelUpdates(); });
    {
        const host::ProgressScope progress(this, 1, Msg(captionKey));
        confereServ((rdmGrupServFat.*send)(list.Delta()));
    }
    if (list.LogChanges())
        list.MergeChangeLog();
}

// A reload that failed after the group changed would leave the previous
// group's rows under the current one, where they could be altered, deleted
// or added to with the current group's keys. A list of the current group is
// kept as it was: the failure then changes nothing of it.
void TfrmGrupServFat::fechaListasDeOutroGrupo()
{
    const ChaveGrupo current = grupoCorrente();
    if (cdsServClie.Active() && servClieDe_ != current)
        fechaLista(cdsServClie);
    if (cdsCorrPrecGrup.Active() && corrPrecGrupDe_ != current)
        fechaLista(cdsCorrPrecGrup);
}

void TfrmGrupServFat::fechaLista(data::DataSet& list)
{
    // Its before-close suspended the controls and, for the services, the
    // state handling until the next open; none follows here.
    list.Close();
    list.EnableControls();
    if (&list == &cdsServClie)
        unit_.AtualizaEstado = true;
}

} // namespace gsf::screen
