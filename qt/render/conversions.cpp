#include "qt/render/conversions.h"

#include "platform/ui/edit_mask.h"

#include <QKeyEvent>

namespace gsf::qt {

namespace {

using Slot = ui::EditMask::Slot;

// The model's place characters and Qt's differ: '0' and '9' swap meaning,
// and letter-or-digit is 'N' in Qt.
QChar qtPlace(const Slot& slot)
{
    switch (slot.ch) {
    case U'0': return u'9';
    case U'9': return u'0';
    case U'#': return u'#';
    case U'L': return u'A';
    case U'l': return u'a';
    case U'A': return u'N';
    case U'a': return u'n';
    case U'C': return u'X';
    default: return u'x';
    }
}

QString caseMark(ui::EditMask::Case mode)
{
    switch (mode) {
    case ui::EditMask::Case::Upper: return QStringLiteral(">");
    case ui::EditMask::Case::Lower: return QStringLiteral("<");
    case ui::EditMask::Case::None: break;
    }
    return QStringLiteral("!");
}

QString literal(char32_t ch)
{
    static const QString special = QStringLiteral("AaNnXx90Dd#HhBb<>!\\;[]{}");
    const QString text = QString::fromUcs4(&ch, 1);
    return special.contains(text) ? QStringLiteral("\\") + text : text;
}

} // namespace

QString qtInputMask(const ui::EditMask& mask)
{
    if (mask.Empty())
        return {};
    QString out;
    ui::EditMask::Case current = ui::EditMask::Case::None;
    for (const Slot& slot : mask.Slots()) {
        if (slot.kind == ui::EditMask::Kind::Literal) {
            out += literal(slot.ch);
            continue;
        }
        if (slot.caseMode != current) {
            out += caseMark(slot.caseMode);
            current = slot.caseMode;
        }
        out += qtPlace(slot);
    }
    const char32_t blank = mask.Blank();
    return out + u';' + QString::fromUcs4(&blank, 1);
}

ModelKey modelKey(const QKeyEvent& event)
{
    ModelKey out;
    const Qt::KeyboardModifiers mods = event.modifiers();
    if (mods & Qt::ShiftModifier)
        out.shift.flags |= ui::ShiftState::Shift;
    if (mods & Qt::ControlModifier)
        out.shift.flags |= ui::ShiftState::Ctrl;
    if (mods & Qt::AltModifier)
        out.shift.flags |= ui::ShiftState::Alt;

    const int key = event.key();
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        out.key = ui::VK_F1 + (key - Qt::Key_F1);
        return out;
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Space) {
        out.key = key; // Qt uses the same codes for letters, digits and space
        return out;
    }
    switch (key) {
    case Qt::Key_Backspace: out.key = ui::VK_BACK; break;
    case Qt::Key_Tab: out.key = ui::VK_TAB; break;
    case Qt::Key_Backtab:
        out.key = ui::VK_TAB;
        out.shift.flags |= ui::ShiftState::Shift;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter: out.key = ui::VK_RETURN; break;
    case Qt::Key_Escape: out.key = ui::VK_ESCAPE; break;
    case Qt::Key_PageUp: out.key = ui::VK_PRIOR; break;
    case Qt::Key_PageDown: out.key = ui::VK_NEXT; break;
    case Qt::Key_End: out.key = ui::VK_END; break;
    case Qt::Key_Home: out.key = ui::VK_HOME; break;
    case Qt::Key_Left: out.key = ui::VK_LEFT; break;
    case Qt::Key_Up: out.key = ui::VK_UP; break;
    case Qt::Key_Right: out.key = ui::VK_RIGHT; break;
    case Qt::Key_Down: out.key = ui::VK_DOWN; break;
    case Qt::Key_Insert: out.key = ui::VK_INSERT; break;
    case Qt::Key_Delete: out.key = ui::VK_DELETE; break;
    default: break;
    }
    return out;
}

bool modelOnlyKey(int key)
{
    if (key >= ui::VK_F1 && key <= ui::VK_F1 + 23)
        return true;
    switch (key) {
    case ui::VK_TAB:
    case ui::VK_RETURN:
    case ui::VK_ESCAPE:
    case ui::VK_PRIOR:
    case ui::VK_NEXT:
    case ui::VK_UP:
    case ui::VK_DOWN:
    case ui::VK_INSERT: return true;
    default: return false;
    }
}

} // namespace gsf::qt
