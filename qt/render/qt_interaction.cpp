#include "qt/render/qt_interaction.h"

#include "platform/data/dataset.h"
#include "platform/host/lookup.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpacerItem>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cstdio>

namespace gsf::qt {

namespace {

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

constexpr auto applicationTitle = "Grupo de Serviço para Faturamento";

std::vector<const data::Field*> shownFields(const data::DataSet& dataSet)
{
    std::vector<const data::Field*> fields;
    for (int i = 0; i < dataSet.FieldCount(); ++i)
        if (dataSet.FieldAt(i).Visible())
            fields.push_back(&dataSet.FieldAt(i));
    return fields;
}

QTableWidget* listOf(const data::DataSet& dataSet, QWidget* parent)
{
    const auto fields = shownFields(dataSet);
    auto* table = new QTableWidget(dataSet.RecordCount(), static_cast<int>(fields.size()), parent);
    for (size_t c = 0; c < fields.size(); ++c) {
        const int column = static_cast<int>(c);
        table->setHorizontalHeaderItem(column, new QTableWidgetItem(qs(fields[c]->DisplayLabel())));
        for (int row = 0; row < dataSet.RecordCount(); ++row)
            table->setItem(row, column, new QTableWidgetItem(qs(dataSet.DisplayTextAt(row, *fields[c]))));
    }
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->resizeColumnsToContents();
    const int current = dataSet.CurrentRow();
    table->selectRow(current >= 0 ? current : 0);
    return table;
}

QDialogButtonBox* okCancel(QDialog& dialog, const QString& okText)
{
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(okText, QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

// Room a title bar needs besides its text: the window's icon and buttons.
constexpr int titleBarControls = 110;

// A message box is as wide as its text needs, which may be narrower than its
// title: a spacer under the text keeps the whole title on the title bar.
void widenForTitle(QMessageBox& box)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr)
        return;
    QFont titleFont = box.font();
    titleFont.setBold(true); // title bars often are
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + titleBarControls;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

// A closed dialog hands the keyboard back to the window it came from; on a
// display without a window manager nobody else would.
void giveBackActivation(QWidget* parent)
{
    QWidget* window = parent != nullptr ? parent->window() : nullptr;
    if (window != nullptr && window->isVisible() && QApplication::activeWindow() != window)
        window->activateWindow();
}

} // namespace

BusyOverlay::BusyOverlay(QWidget* covered) : QWidget(covered), caption_(new QLabel(this))
{
    setAttribute(Qt::WA_NoSystemBackground);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setObjectName(QStringLiteral("busyCaption"));
    layout->addWidget(caption_);
    auto* bar = new QProgressBar(this);
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setMaximumWidth(240);
    layout->addWidget(bar, 0, Qt::AlignHCenter);
    layout->addStretch();
    covered->installEventFilter(this);
    hide();
}

QString BusyOverlay::caption() const
{
    return caption_->text();
}

void BusyOverlay::showBusy(const QString& caption)
{
    caption_->setText(caption.isEmpty() ? QStringLiteral("Aguarde...") : caption);
    setGeometry(parentWidget()->rect());
    raise();
    show();
    // The remote call that follows blocks the event loop: paint now.
    repaint();
}

bool BusyOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return false;
}

void BusyOverlay::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    QColor veil = palette().color(QPalette::Window);
    veil.setAlpha(210);
    painter.fillRect(rect(), veil);
}

QtInteraction::QtInteraction(QWidget* dialogParent) : parent_(dialogParent) {}

QtInteraction::~QtInteraction()
{
    if (waitCursor_)
        QApplication::restoreOverrideCursor();
    delete overlay_.data();
}

void QtInteraction::setDialogParent(QWidget* parent)
{
    parent_ = parent;
    delete overlay_.data();
}

BusyOverlay* QtInteraction::overlay() const
{
    return overlay_ && overlay_->isVisible() ? overlay_.data() : nullptr;
}

void QtInteraction::showError(const std::string& text)
{
    if (unattended_) {
        std::fprintf(stderr, "mensagem: %s\n", text.c_str());
        return;
    }
    warn(parent_, text);
}

void QtInteraction::warn(QWidget* over, const std::string& text)
{
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(applicationTitle), qs(text), QMessageBox::Ok, over);
    widenForTitle(box);
    box.exec();
    giveBackActivation(over);
}

bool QtInteraction::confirm(const std::string& text)
{
    if (unattended_) {
        std::fprintf(stderr, "pergunta: %s -> Não\n", text.c_str());
        return false;
    }
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(applicationTitle), qs(text), QMessageBox::NoButton,
                    parent_);
    QPushButton* yes = box.addButton(QStringLiteral("Sim"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Não"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    widenForTitle(box);
    box.exec();
    giveBackActivation(parent_);
    return box.clickedButton() == yes;
}

std::optional<int> QtInteraction::pickList(const std::string& title, const std::string& emptyText,
                                           data::DataSource& source)
{
    data::DataSet* dataSet = source.GetDataSet();
    if (unattended_)
        return std::nullopt;
    if (dataSet == nullptr || !dataSet->Active() || dataSet->IsEmpty()) {
        QMessageBox box(QMessageBox::Information, qs(title), qs(emptyText), QMessageBox::Ok, parent_);
        widenForTitle(box);
        box.exec();
        giveBackActivation(parent_);
        return std::nullopt;
    }
    QDialog dialog(parent_);
    dialog.setObjectName(QStringLiteral("pickList"));
    dialog.setWindowTitle(qs(title));
    auto* layout = new QVBoxLayout(&dialog);
    QTableWidget* table = listOf(*dataSet, &dialog);
    layout->addWidget(table);
    layout->addWidget(okCancel(dialog, QStringLiteral("OK")));
    QObject::connect(table, &QTableWidget::cellDoubleClicked, &dialog, &QDialog::accept);
    dialog.resize(480, 320);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    giveBackActivation(parent_);
    if (!accepted || table->currentRow() < 0)
        return std::nullopt;
    const int recNo = table->currentRow() + 1;
    dataSet->MoveTo(recNo);
    return recNo;
}

bool QtInteraction::search(data::DataSet& dataSet)
{
    if (unattended_ || !dataSet.Active())
        return false;
    const auto fields = shownFields(dataSet);
    QDialog dialog(parent_);
    dialog.setObjectName(QStringLiteral("search"));
    dialog.setWindowTitle(QStringLiteral("Procurar"));
    auto* form = new QFormLayout(&dialog);
    auto* fieldBox = new QComboBox(&dialog);
    fieldBox->setObjectName(QStringLiteral("field"));
    // The field chosen last time over this list is chosen again.
    const std::string& last = lastField_[dataSet.Name()];
    for (const data::Field* field : fields) {
        fieldBox->addItem(qs(field->DisplayLabel()));
        if (field->FieldName() == last)
            fieldBox->setCurrentIndex(fieldBox->count() - 1);
    }
    auto* value = new QLineEdit(&dialog);
    value->setObjectName(QStringLiteral("value"));
    form->addRow(QStringLiteral("Campo"), fieldBox);
    form->addRow(QStringLiteral("Valor"), value);
    form->addRow(okCancel(dialog, QStringLiteral("Procurar")));
    value->setFocus();
    bool found = false;
    while (!found && dialog.exec() == QDialog::Accepted && fieldBox->currentIndex() >= 0) {
        const data::Field& field = *fields[static_cast<size_t>(fieldBox->currentIndex())];
        lastField_[dataSet.Name()] = field.FieldName();
        found = host::findRow(dataSet, field.FieldName(), value->text().toStdString());
        if (!found) {
            // Over the dialog, which opens again with the value ready to retype.
            warn(&dialog, "Registro não encontrado.");
            value->setFocus();
            value->selectAll();
        }
    }
    giveBackActivation(parent_);
    return found;
}

void QtInteraction::showProgress(int /*animationKind*/, const std::string& caption)
{
    if (parent_ == nullptr)
        return;
    if (!overlay_)
        overlay_ = new BusyOverlay(parent_);
    overlay_->showBusy(qs(caption));
}

void QtInteraction::hideProgress()
{
    if (overlay_)
        overlay_->hide();
}

void QtInteraction::setCursor(host::Cursor cursor)
{
    const bool wait = cursor == host::Cursor::Hourglass;
    if (wait == waitCursor_)
        return;
    waitCursor_ = wait;
    if (wait)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace gsf::qt
