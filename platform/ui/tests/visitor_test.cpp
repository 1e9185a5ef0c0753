#include "platform/ui/control_visitor.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace gsf::ui {
namespace {

// Names the function each control reached; overrides only the broad kinds,
// so every other kind must find its way up to one of them.
class BroadKinds : public ControlVisitor {
public:
    std::string reached;
    void visitControl(Control&) override { reached = "Control"; }
    void visitContainer(Container&) override { reached = "Container"; }
    void visitEdit(Edit&) override { reached = "Edit"; }
    void visitSpeedButton(SpeedButton&) override { reached = "SpeedButton"; }
};

// Overrides every kind: each control must reach its own.
class EveryKind : public ControlVisitor {
public:
    std::string reached;
    void visitControl(Control&) override { reached = "Control"; }
    void visitContainer(Container&) override { reached = "Container"; }
    void visitPanel(Panel&) override { reached = "Panel"; }
    void visitGroupBox(GroupBox&) override { reached = "GroupBox"; }
    void visitForm(Form&) override { reached = "Form"; }
    void visitPageControl(PageControl&) override { reached = "PageControl"; }
    void visitTabSheet(TabSheet&) override { reached = "TabSheet"; }
    void visitBevel(Bevel&) override { reached = "Bevel"; }
    void visitLabel(Label&) override { reached = "Label"; }
    void visitEdit(Edit&) override { reached = "Edit"; }
    void visitMaskEdit(MaskEdit&) override { reached = "MaskEdit"; }
    void visitSpeedButton(SpeedButton&) override { reached = "SpeedButton"; }
    void visitLookupButton(LookupButton&) override { reached = "LookupButton"; }
    void visitDBEdit(DBEdit&) override { reached = "DBEdit"; }
    void visitDBText(DBText&) override { reached = "DBText"; }
    void visitDBNavigator(DBNavigator&) override { reached = "DBNavigator"; }
    void visitDBGrid(DBGrid&) override { reached = "DBGrid"; }
};

template <class V>
std::string reachedBy(Control& control)
{
    V visitor;
    control.Accept(visitor);
    return visitor.reached;
}

TEST(ControlVisitor, EachKindReachesItsOwnFunctionOrItsBaseKinds)
{
    Form form("frmTest");
    auto& pages = form.Add<PageControl>(form, "pgcPadrao");
    // kind, what a visitor of every kind sees, what one of the broad kinds sees
    const std::vector<std::pair<Control*, std::pair<std::string, std::string>>> cases = {
        {&form, {"Form", "Container"}},
        {&form.Add<Panel>(form, "pnlFiltro"), {"Panel", "Container"}},
        {&form.Add<GroupBox>(form, "grbDias"), {"GroupBox", "Container"}},
        {&pages, {"PageControl", "Container"}},
        {&form.Add<TabSheet>(pages, "tshPadrao"), {"TabSheet", "Container"}},
        {&form.Add<Bevel>(form, "bvlLinha"), {"Bevel", "Control"}},
        {&form.Add<Label>(form, "lblFilial"), {"Label", "Control"}},
        {&form.Add<Edit>(form, "edtNome"), {"Edit", "Edit"}},
        {&form.Add<MaskEdit>(form, "medCdFilial"), {"MaskEdit", "Edit"}},
        {&form.Add<DBEdit>(form, "dbeGrupo"), {"DBEdit", "Edit"}},
        {&form.Add<SpeedButton>(form, "sbtIncluir"), {"SpeedButton", "SpeedButton"}},
        {&form.Add<LookupButton>(form, "btnFilial"), {"LookupButton", "SpeedButton"}},
        {&form.Add<DBText>(form, "dbtNome"), {"DBText", "Control"}},
        {&form.Add<DBNavigator>(form, "dbnPadrao"), {"DBNavigator", "Control"}},
        {&form.Add<DBGrid>(form, "dbgPadrao"), {"DBGrid", "Control"}},
    };
    for (const auto& [control, expected] : cases) {
        EXPECT_EQ(reachedBy<EveryKind>(*control), expected.first) << control->ClassName();
        EXPECT_EQ(reachedBy<BroadKinds>(*control), expected.second) << control->ClassName();
    }
}

} // namespace
} // namespace gsf::ui
