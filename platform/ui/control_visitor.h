#pragma once

#include "platform/ui/ui.h"

namespace gsf::ui {

/// One function per kind of control, for code that treats each kind its own
/// way (a renderer, a driver) without asking the control's type. Each
/// function by default calls the one of the kind it derives from, up to
/// visitControl, which does nothing: a visitor overrides only the kinds it
/// treats apart, and a kind added later falls back to its base's treatment.
class ControlVisitor {
public:
    virtual ~ControlVisitor() = default;

    virtual void visitControl(Control& control);
    virtual void visitContainer(Container& control);
    virtual void visitPanel(Panel& control);
    virtual void visitGroupBox(GroupBox& control);
    virtual void visitForm(Form& control);
    virtual void visitPageControl(PageControl& control);
    virtual void visitTabSheet(TabSheet& control);
    virtual void visitBevel(Bevel& control);
    virtual void visitLabel(Label& control);
    virtual void visitEdit(Edit& control);
    virtual void visitMaskEdit(MaskEdit& control);
    virtual void visitSpeedButton(SpeedButton& control);
    virtual void visitLookupButton(LookupButton& control);
    virtual void visitDBEdit(DBEdit& control);
    virtual void visitDBText(DBText& control);
    virtual void visitDBNavigator(DBNavigator& control);
    virtual void visitDBGrid(DBGrid& control);
};

} // namespace gsf::ui
