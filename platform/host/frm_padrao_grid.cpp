#include "platform/host/frm_padrao_grid.h"

#include "platform/host/host_context.h"
#include "platform/host/lookup.h"

namespace gsf::host {

namespace {

using data::DataSetState;

bool editing(DataSetState state)
{
    return state == DataSetState::Edit || state == DataSetState::Insert;
}

} // namespace

TfrmPadraoGrid::TfrmPadraoGrid(std::string name)
    : ui::Form(std::move(name)), panMenu(Add<ui::Panel>(*this, "panMenu")),
      sbtIncluir(Add<ui::SpeedButton>(panMenu, "sbtIncluir")), sbtAlterar(Add<ui::SpeedButton>(panMenu, "sbtAlterar")),
      sbtExcluir(Add<ui::SpeedButton>(panMenu, "sbtExcluir")),
      sbtProcurar(Add<ui::SpeedButton>(panMenu, "sbtProcurar")),
      sbtVerificar(Add<ui::SpeedButton>(panMenu, "sbtVerificar")),
      sbtImprimir(Add<ui::SpeedButton>(panMenu, "sbtImprimir")),
      sbtCancelar(Add<ui::SpeedButton>(panMenu, "sbtCancelar")),
      sbtConfirmar(Add<ui::SpeedButton>(panMenu, "sbtConfirmar")), lblCodTela(Add<ui::Label>(panMenu, "lblCodTela")),
      pgcPadrao(Add<ui::PageControl>(*this, "pgcPadrao")), tshPadrao(Add<ui::TabSheet>(pgcPadrao, "tshPadrao")),
      dbgPadrao(Add<ui::DBGrid>(tshPadrao, "dbgPadrao")), panNavigator(Add<ui::Panel>(*this, "panNavigator")),
      dbtNome(Add<ui::DBText>(panNavigator, "dbtNome")), dbnPadrao(Add<ui::DBNavigator>(panNavigator, "dbnPadrao")),
      mnuMenu(Add<ui::MainMenu>(*this, "mnuMenu")), mnuOperacao(Add<ui::MenuItem>(mnuMenu, "mnuOperacao", "&Operação")),
      mnuListagem(Add<ui::MenuItem>(mnuOperacao, "mnuListagem", "&Listagem")),
      mnuConfigImpressora(Add<ui::MenuItem>(mnuOperacao, "mnuConfigImpressora", "&Configurar Impressora")),
      mnuLinha1(Add<ui::MenuItem>(mnuOperacao, "mnuLinha1", "-")),
      mnuFechar(Add<ui::MenuItem>(mnuOperacao, "mnuFechar", "&Fechar")),
      mnuManutencao(Add<ui::MenuItem>(mnuMenu, "mnuManutencao", "&Manutenção")),
      mnuIncluir(Add<ui::MenuItem>(mnuManutencao, "mnuIncluir", "&Incluir")),
      mnuAlterar(Add<ui::MenuItem>(mnuManutencao, "mnuAlterar", "&Alterar")),
      mnuExcluir(Add<ui::MenuItem>(mnuManutencao, "mnuExcluir", "&Excluir")),
      mnuProcurar(Add<ui::MenuItem>(mnuManutencao, "mnuProcurar", "&Procurar")),
      mnuVerificar(Add<ui::MenuItem>(mnuManutencao, "mnuVerificar", "&Verificar")),
      mnuLinha3(Add<ui::MenuItem>(mnuManutencao, "mnuLinha3", "-")),
      mnuCancelar(Add<ui::MenuItem>(mnuManutencao, "mnuCancelar", "&Cancelar")),
      mnuConfirmar(Add<ui::MenuItem>(mnuManutencao, "mnuConfirmar", "C&onfirmar")),
      msgMensagensPadroes("msgMensagensPadroes", {{"Excl", "Confirma exclusão do registro?"},
                                                  {"Canc", "Confirma cancelamento das alterações?"}})
{
    layOut();
    dbgPadrao.SetDataSource(&dtsPadrao);
    dbtNome.SetDataSource(&dtsPadrao);
    dbnPadrao.SetDataSource(&dtsPadrao);
    SetKeyPreview(true);
    mnuListagem.SetEnabled(false);
    mnuConfigImpressora.SetEnabled(false);
    mnuLinha3.SetEnabled(false);
    dtsPadraoStateChange(dtsPadrao);
    bindEvents();
}

// The controls link to dtsPadrao, a member: they must go before it does.
TfrmPadraoGrid::~TfrmPadraoGrid()
{
    DestroyComponents();
}

void TfrmPadraoGrid::layOut()
{
    panMenu.SetAlign(ui::Align::Top);
    panMenu.SetBounds({0, 0, 0, 30});
    struct Command {
        ui::SpeedButton* button;
        const char* caption;
        int width;
    };
    // Each width fits its caption in 8-point text with a few pixels to spare;
    // all eight together leave room for lblCodTela in a 486-pixel window.
    const Command commands[] = {{&sbtIncluir, "Incluir", 40},     {&sbtAlterar, "Alterar", 43},
                                {&sbtExcluir, "Excluir", 43},     {&sbtProcurar, "Procurar", 52},
                                {&sbtVerificar, "Verificar", 51}, {&sbtImprimir, "Imprimir", 53},
                                {&sbtCancelar, "Cancelar", 54},   {&sbtConfirmar, "Confirmar", 61}};
    int left = 2;
    for (const auto& [button, caption, width] : commands) {
        button->SetCaption(caption);
        button->SetHint(caption);
        button->SetBounds({left, 2, width, 26});
        left += width + 1;
    }
    lblCodTela.SetAlign(ui::Align::Right);
    pgcPadrao.SetAlign(ui::Align::Client);
    tshPadrao.SetCaption("Principal");
    dbgPadrao.SetAlign(ui::Align::Client);
    panNavigator.SetAlign(ui::Align::Bottom);
    panNavigator.SetBounds({0, 0, 0, 28});
    dbtNome.SetAlign(ui::Align::Client);
    dbnPadrao.SetAlign(ui::Align::Right);
    dbnPadrao.SetBounds({0, 0, 100, 24});
}

void TfrmPadraoGrid::bindEvents()
{
    OnCreate = [this](ui::Form& s) { FormCreate(s); };
    OnClose = [this](ui::Form& s, ui::CloseAction& action) { FormClose(s, action); };
    OnKeyDown = [this](ui::Control& s, int& key, ui::ShiftState shift) { FormKeyDown(s, key, shift); };
    dtsPadrao.OnStateChange = [this](data::DataSource& s) { dtsPadraoStateChange(s); };
    dbgPadrao.OnKeyDown = [this](ui::Control& s, int& key, ui::ShiftState shift) { dbgPadraoKeyDown(s, key, shift); };
    sbtIncluir.OnClick = [this](ui::Control& s) { sbtIncluirClick(s); };
    sbtAlterar.OnClick = [this](ui::Control& s) { sbtAlterarClick(s); };
    sbtExcluir.OnClick = [this](ui::Control& s) { sbtExcluirClick(s); };
    sbtProcurar.OnClick = [this](ui::Control& s) { sbtProcurarClick(s); };
    sbtCancelar.OnClick = [this](ui::Control& s) { sbtCancelarClick(s); };
    sbtConfirmar.OnClick = [this](ui::Control& s) { sbtConfirmarClick(s); };

    const std::pair<ui::MenuItem*, ui::SpeedButton*> commands[] = {
        {&mnuIncluir, &sbtIncluir},    {&mnuAlterar, &sbtAlterar},     {&mnuExcluir, &sbtExcluir},
        {&mnuProcurar, &sbtProcurar},  {&mnuVerificar, &sbtVerificar}, {&mnuCancelar, &sbtCancelar},
        {&mnuConfirmar, &sbtConfirmar}};
    for (const auto& [entry, button] : commands)
        entry->OnClick = [button](ui::MenuItem&) { button->Click(); };
    mnuFechar.OnClick = [this](ui::MenuItem&) { Close(); };
}

data::DataSet* TfrmPadraoGrid::openDataSet() const
{
    data::DataSet* dataSet = dtsPadrao.GetDataSet();
    return dataSet != nullptr && dataSet->Active() ? dataSet : nullptr;
}

void TfrmPadraoGrid::setCommand(ui::SpeedButton& button, ui::MenuItem& entry, bool enabled)
{
    button.SetEnabled(enabled);
    entry.SetEnabled(enabled);
}

void TfrmPadraoGrid::FormCreate(ui::Form& /*sender*/)
{
    pgcPadrao.SetActivePage(tshPadrao);
    dtsPadraoStateChange(dtsPadrao);
    // A grid without a confirmation would refuse every Ctrl+Delete.
    for (ui::Component* component : Components()) {
        auto* grid = dynamic_cast<ui::DBGrid*>(component);
        if (grid != nullptr && !grid->ConfirmDelete)
            grid->ConfirmDelete = [](const std::string& question) { return interaction().confirm(question); };
    }
}

void TfrmPadraoGrid::FormClose(ui::Form& /*sender*/, ui::CloseAction& action)
{
    action = ui::CloseAction::Free;
}

void TfrmPadraoGrid::FormKeyDown(ui::Control& /*sender*/, int& /*key*/, ui::ShiftState /*shift*/) {}

void TfrmPadraoGrid::dtsPadraoStateChange(data::DataSource& sender)
{
    const DataSetState state = sender.State();
    const bool browse = state == DataSetState::Browse;
    const bool withRecords = browse && sender.GetDataSet() != nullptr && !sender.GetDataSet()->IsEmpty();
    setCommand(sbtIncluir, mnuIncluir, browse);
    setCommand(sbtAlterar, mnuAlterar, withRecords);
    setCommand(sbtExcluir, mnuExcluir, withRecords);
    setCommand(sbtProcurar, mnuProcurar, withRecords);
    setCommand(sbtVerificar, mnuVerificar, withRecords);
    sbtImprimir.SetEnabled(withRecords);
    setCommand(sbtCancelar, mnuCancelar, editing(state));
    setCommand(sbtConfirmar, mnuConfirmar, editing(state));
}

// The focus goes to the grid before the dataset changes state: leaving the
// control that had it may run exit handlers that reload the dataset, which
// would drop a record inserted first.
void TfrmPadraoGrid::sbtIncluirClick(ui::Control& /*sender*/)
{
    if (dbgPadrao.CanFocus())
        dbgPadrao.SetFocus();
    if (data::DataSet* dataSet = openDataSet())
        dataSet->Insert();
}

void TfrmPadraoGrid::sbtAlterarClick(ui::Control& /*sender*/)
{
    if (dbgPadrao.CanFocus())
        dbgPadrao.SetFocus();
    if (data::DataSet* dataSet = openDataSet(); dataSet != nullptr && !dataSet->IsEmpty())
        dataSet->Edit();
}

void TfrmPadraoGrid::sbtExcluirClick(ui::Control& /*sender*/)
{
    data::DataSet* dataSet = openDataSet();
    if (dataSet == nullptr || dataSet->IsEmpty())
        return;
    if (msgMensagensPadroes.ShowMsg("Excl", MsgConfirmation) == IdYes)
        dataSet->Delete();
}

void TfrmPadraoGrid::sbtProcurarClick(ui::Control& /*sender*/)
{
    if (data::DataSet* dataSet = openDataSet())
        Procura(*dataSet);
}

void TfrmPadraoGrid::sbtCancelarClick(ui::Control& /*sender*/)
{
    data::DataSet* dataSet = openDataSet();
    if (dataSet == nullptr || !editing(dataSet->State()))
        return;
    if (msgMensagensPadroes.ShowMsg("Canc", MsgConfirmation) == IdYes)
        dataSet->Cancel();
}

void TfrmPadraoGrid::sbtConfirmarClick(ui::Control& /*sender*/)
{
    data::DataSet* dataSet = openDataSet();
    if (dataSet != nullptr && editing(dataSet->State()))
        dataSet->Post();
}

void TfrmPadraoGrid::dbgPadraoKeyDown(ui::Control& sender, int& key, ui::ShiftState shift)
{
    const bool clipboard = shift.Has(ui::ShiftState::Ctrl) || shift.Has(ui::ShiftState::Shift);
    if (key == ui::VK_INSERT && !clipboard) {
        key = 0;
        return;
    }
    // The groups are deleted by the delete command only; other grids bound to
    // this handler keep their own row deletion, which asks before it deletes.
    if (key == ui::VK_DELETE && shift.Has(ui::ShiftState::Ctrl) && &sender == &dbgPadrao) {
        key = 0;
        return;
    }
    if (key == ui::VK_DOWN) {
        const data::DataSet* dataSet = dynamic_cast<ui::DBGrid&>(sender).DataSet();
        // Down past the last row would append a record.
        if (dataSet != nullptr && dataSet->Active() && dataSet->RecNo() >= dataSet->RecordCount())
            key = 0;
    }
}

} // namespace gsf::host
