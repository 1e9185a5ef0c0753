// Text edits: a QLineEdit with the model's mask, size and read-only flag;
// what the person types goes to the model, which decides what stays.

#include "platform/host/dispatcher.h"
#include "platform/ui/ui.h"
#include "qt/render/binder.h"

#include <QLineEdit>

namespace gsf::qt {

namespace {

class EditBinder : public Binder {
public:
    EditBinder(ui::Edit& edit, const ui::MaskEdit* mask, BinderHost& host) : Binder(host), edit_(edit), mask_(mask) {}

    QWidget* build(QWidget* parent) override
    {
        auto* line = new QLineEdit(parent);
        QObject::connect(line, &QLineEdit::textEdited, &host_.context(), [this, line](const QString&) {
            // A masked box shows blanks in its empty places; the model reads them the same way.
            const QString typed = line->inputMask().isEmpty() ? line->text() : line->displayText();
            host_.act([&] { host_.dispatcher().typeText(edit_, typed.toStdString()); });
        });
        return line;
    }

    bool followsActions() const override { return true; }

    void sync(QWidget& widget) override
    {
        auto& line = static_cast<QLineEdit&>(widget);
        const QString mask = mask_ != nullptr ? qtInputMask(mask_->Mask()) : QString();
        // Qt reports the mask in its own spelling; compare with the one we set,
        // since setting it again clears the selection and the cursor.
        if (line.property("gsfMask").toString() != mask || line.inputMask().isEmpty() != mask.isEmpty()) {
            line.setProperty("gsfMask", mask);
            line.setInputMask(mask);
        }
        // Setting either again re-lays the text and loses the cursor: only on a change.
        const int maxLength = mask.isEmpty() && edit_.MaxLength() > 0 ? edit_.MaxLength() : 32767;
        if (mask.isEmpty() && line.maxLength() != maxLength)
            line.setMaxLength(maxLength);
        if (line.isReadOnly() != edit_.ReadOnly())
            line.setReadOnly(edit_.ReadOnly());
        const QString text = QString::fromStdString(edit_.EditText());
        const QString shown = mask.isEmpty() ? line.text() : line.displayText();
        if (shown != text) {
            const int cursor = line.cursorPosition();
            line.setText(text);
            line.setCursorPosition(std::min<int>(cursor, static_cast<int>(text.size())));
        }
    }

    void focusShown(QWidget& widget) override
    {
        // Entered by Tab, an edit shows its whole text selected, as the model
        // has it: the first key replaces it.
        if (auto* line = qobject_cast<QLineEdit*>(&widget); line != nullptr && edit_.AllSelected())
            line->selectAll();
    }

private:
    ui::Edit& edit_;
    const ui::MaskEdit* mask_;
};

} // namespace

std::unique_ptr<Binder> makeEditBinder(ui::Edit& edit, const ui::MaskEdit* mask, BinderHost& host)
{
    return std::make_unique<EditBinder>(edit, mask, host);
}

} // namespace gsf::qt
