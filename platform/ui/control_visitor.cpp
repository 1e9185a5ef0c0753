#include "platform/ui/control_visitor.h"

namespace gsf::ui {

void ControlVisitor::visitControl(Control& /*control*/) {}
void ControlVisitor::visitContainer(Container& control)
{
    visitControl(control);
}
void ControlVisitor::visitPanel(Panel& control)
{
    visitContainer(control);
}
void ControlVisitor::visitGroupBox(GroupBox& control)
{
    visitContainer(control);
}
void ControlVisitor::visitForm(Form& control)
{
    visitContainer(control);
}
void ControlVisitor::visitPageControl(PageControl& control)
{
    visitContainer(control);
}
void ControlVisitor::visitTabSheet(TabSheet& control)
{
    visitContainer(control);
}
void ControlVisitor::visitBevel(Bevel& control)
{
    visitControl(control);
}
void ControlVisitor::visitLabel(Label& control)
{
    visitControl(control);
}
void ControlVisitor::visitEdit(Edit& control)
{
    visitControl(control);
}
void ControlVisitor::visitMaskEdit(MaskEdit& control)
{
    visitEdit(control);
}
void ControlVisitor::visitSpeedButton(SpeedButton& control)
{
    visitControl(control);
}
void ControlVisitor::visitLookupButton(LookupButton& control)
{
    visitSpeedButton(control);
}
void ControlVisitor::visitDBEdit(DBEdit& control)
{
    visitEdit(control);
}
void ControlVisitor::visitDBText(DBText& control)
{
    visitControl(control);
}
void ControlVisitor::visitDBNavigator(DBNavigator& control)
{
    visitControl(control);
}
void ControlVisitor::visitDBGrid(DBGrid& control)
{
    visitControl(control);
}

void Control::Accept(ControlVisitor& visitor)
{
    visitor.visitControl(*this);
}
void Container::Accept(ControlVisitor& visitor)
{
    visitor.visitContainer(*this);
}
void Panel::Accept(ControlVisitor& visitor)
{
    visitor.visitPanel(*this);
}
void GroupBox::Accept(ControlVisitor& visitor)
{
    visitor.visitGroupBox(*this);
}
void Form::Accept(ControlVisitor& visitor)
{
    visitor.visitForm(*this);
}
void PageControl::Accept(ControlVisitor& visitor)
{
    visitor.visitPageControl(*this);
}
void TabSheet::Accept(ControlVisitor& visitor)
{
    visitor.visitTabSheet(*this);
}
void Bevel::Accept(ControlVisitor& visitor)
{
    visitor.visitBevel(*this);
}
void Label::Accept(ControlVisitor& visitor)
{
    visitor.visitLabel(*this);
}
void Edit::Accept(ControlVisitor& visitor)
{
    visitor.visitEdit(*this);
}
void MaskEdit::Accept(ControlVisitor& visitor)
{
    visitor.visitMaskEdit(*this);
}
void SpeedButton::Accept(ControlVisitor& visitor)
{
    visitor.visitSpeedButton(*this);
}
void LookupButton::Accept(ControlVisitor& visitor)
{
    visitor.visitLookupButton(*this);
}
void DBEdit::Accept(ControlVisitor& visitor)
{
    visitor.visitDBEdit(*this);
}
void DBText::Accept(ControlVisitor& visitor)
{
    visitor.visitDBText(*this);
}
void DBNavigator::Accept(ControlVisitor& visitor)
{
    visitor.visitDBNavigator(*this);
}
void DBGrid::Accept(ControlVisitor& visitor)
{
    visitor.visitDBGrid(*this);
}

} // namespace gsf::ui
