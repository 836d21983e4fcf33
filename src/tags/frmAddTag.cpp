#include "frmAddTag.h"

#include "ui_frmAddTag.h"

#include "CRes.h"
#include "MessageReporter.h"
#include "TagEntryRules.h"
#include "WindowGeometry.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>

frmAddTag::frmAddTag(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmAddTag>())
{
    m_ui->setupUi(this);
    CRes::instance().SetFormInterface(this);
    // The allowed length of a description under its label.
    m_ui->lbl_1->setText(m_ui->lbl_1->text() + QStringLiteral("\n0~%1").arg(TagEntryRules::kDescriptionLength));
    m_ui->txt_0->installEventFilter(this);
    connect(m_ui->txt_0, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!TagEntryRules::keepsCodeText(text))
            m_ui->txt_0->clear();
    });
    connect(m_ui->cmdCtrl_0, &QPushButton::clicked, this, [this] { cmdCtrl_Click(0); });
    connect(m_ui->cmdCtrl_1, &QPushButton::clicked, this, [this] { cmdCtrl_Click(1); });
    WindowGeometry::keep(this, QStringLiteral("frmAddTag"));
}

frmAddTag::~frmAddTag() = default;

void frmAddTag::ClearEntries()
{
    m_ui->txt_0->clear();
    m_ui->txt_1->clear();
    m_ui->chkGuard->setChecked(false);
}

void frmAddTag::setTxt0Value(const QString &value)
{
    m_txt0Value = value;
    m_ui->txt_0->setText(value);
}

void frmAddTag::setTxt1Value(const QString &value)
{
    m_txt1Value = value;
    m_ui->txt_1->setText(value);
}

bool frmAddTag::guardValue() const
{
    return m_ui->chkGuard->isChecked();
}

void frmAddTag::setGuardValue(bool guard)
{
    m_ui->chkGuard->setChecked(guard);
}

bool frmAddTag::eventFilter(QObject *watched, QEvent *event)
{
    // Typed characters other than 0-9 and A-F never reach the code field,
    // a-f go in as upper case; editing and moving keys (no text, or
    // backspace) pass.
    if (watched == m_ui->txt_0 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        const bool typed = text.size() == 1 && text.at(0).isPrint() && !(key->modifiers() & Qt::ControlModifier);
        if (typed && !TagEntryRules::acceptsCodeKey(text.at(0))) {
            const QChar upper = text.at(0).toUpper();
            if (upper != text.at(0) && TagEntryRules::acceptsCodeKey(upper))
                m_ui->txt_0->insert(QString(upper));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool frmAddTag::ValidateEntries()
{
    const TagEntryRules::Problem problem = TagEntryRules::validate(m_ui->txt_0->text(), m_ui->txt_1->text());
    if (problem.message.isEmpty())
        return true;
    MessageReporter::instance().message(problem.message, MessageReporter::Icon::Exclamation);
    activateWindow();
    (problem.field == TagEntryRules::Field::Description ? m_ui->txt_1 : m_ui->txt_0)->setFocus();
    return false;
}

void frmAddTag::cmdCtrl_Click(int index)
{
    if (index == 1) {
        m_isOK = false;
        reject();
        return;
    }
    if (!ValidateEntries())
        return;
    if (m_store && !m_store(m_ui->txt_0->text(), m_ui->txt_1->text())) {
        activateWindow();
        m_ui->txt_0->setFocus();
        return;
    }
    m_txt0Value = m_ui->txt_0->text();
    m_txt1Value = m_ui->txt_1->text();
    m_isOK = true;
    accept();
}
