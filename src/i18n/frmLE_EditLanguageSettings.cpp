#include "frmLE_EditLanguageSettings.h"

#include "ui_frmLE_EditLanguageSettings.h"

#include "CRes.h"
#include "GridColumnWidths.h"
#include "MessageReporter.h"
#include "ScopedLanguage.h"
#include "StringTableModel.h"
#include "WindowGeometry.h"

#include <QFontDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlRecord>
#include <QStyledItemDelegate>

namespace {

// Designed width of the two visible columns, before any saved width applies.
constexpr int kDesignedColumnWidth = 320;

// Keeps typing within what a text may hold.
class LimitedTextDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            line->setMaxLength(StringTableModel::kMaxTextLength);
        return editor;
    }
};

}

frmLE_EditLanguageSettings::frmLE_EditLanguageSettings(const QString &language, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmLE_EditLanguageSettings>())
    , m_model(std::make_unique<StringTableModel>(language))
    , m_language(language)
{
    m_ui->setupUi(this);
    CRes::instance().SetFormInterface(this);

    QString error;
    if (!m_model->load(&error))
        MessageReporter::instance().message(error, MessageReporter::Icon::Critical);
    QTableView *grid = m_ui->grdString;
    grid->setModel(m_model.get());
    grid->setItemDelegate(new LimitedTextDelegate(grid));
    grid->verticalHeader()->hide();
    const int english = m_model->englishColumn();
    const int edited = m_model->editedColumn();
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const bool shown = column == english || column == edited;
        grid->setColumnHidden(column, !shown);
        if (shown)
            grid->setColumnWidth(column, kDesignedColumnWidth);
    }
    showFont();
    loadColumnWidths();

    connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        // Hiding a column reports a width of 0; only real widths are kept.
        if (width <= 0 || m_ui->grdString->isColumnHidden(column))
            return;
        if (!GridColumnWidths::save(m_model->record().fieldName(column), width))
            qWarning("Cannot save the width of the grid column %d", column);
    });
    connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &frmLE_EditLanguageSettings::grdString_RowColChange);
    connect(m_ui->cmdCtrl_0, &QPushButton::clicked, this, [this] { selectFont(); });
    connect(m_ui->cmdCtrl_1, &QPushButton::clicked, this, &QDialog::accept);
    if (edited >= 0 && m_model->rowCount() > 0)
        grid->setCurrentIndex(m_model->index(0, edited));
    WindowGeometry::keep(this, QStringLiteral("frmLE_EditLanguageSettings"));
}

frmLE_EditLanguageSettings::~frmLE_EditLanguageSettings() = default;

void frmLE_EditLanguageSettings::loadColumnWidths()
{
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const int width = GridColumnWidths::load(m_model->record().fieldName(column));
        if (width > 0)
            m_ui->grdString->setColumnWidth(column, width);
    }
}

void frmLE_EditLanguageSettings::showFont()
{
    ScopedLanguage edited(m_language);
    CRes &res = CRes::instance();
    m_ui->txtFontName->setText(res.FontName());
    m_ui->txtFontSize->setText(QString::number(res.FontSize()));
}

void frmLE_EditLanguageSettings::grdString_RowColChange()
{
    const QModelIndex current = m_ui->grdString->currentIndex();
    const int english = m_model->englishColumn();
    if (!current.isValid() || english < 0)
        return;
    m_ui->txtString->setPlainText(m_model->index(current.row(), english).data().toString());
}

bool frmLE_EditLanguageSettings::selectFont()
{
    ScopedLanguage edited(m_language);
    CRes &res = CRes::instance();
    QFont initial(res.FontName());
    const short size = res.FontSize();
    if (size > 0)
        initial.setPointSize(size);
    QFontDialog dialog(initial, this);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    dialog.setObjectName(QStringLiteral("CommonDialog1"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QFont chosen = dialog.selectedFont();
    res.setFontName(chosen.family());
    res.setFontSize(short(chosen.pointSize()));
    m_ui->txtFontName->setText(res.FontName());
    m_ui->txtFontSize->setText(QString::number(res.FontSize()));
    return true;
}

bool frmLE_EditLanguageSettings::submitEdits()
{
    // Leaving the row hands an open editor's text to the model, which writes it.
    m_ui->grdString->setCurrentIndex(QModelIndex());
    if (!m_model->isDirty() || m_model->submitAll())
        return true;
    const QString question = QStringLiteral("The translation could not be saved: %1\n\nClose anyway and lose the change?")
                                 .arg(m_model->lastError().text());
    if (!MessageReporter::instance().question(question))
        return false;
    m_model->revertAll();
    return true;
}

void frmLE_EditLanguageSettings::done(int result)
{
    if (!submitEdits())
        return;
    QDialog::done(result);
}
