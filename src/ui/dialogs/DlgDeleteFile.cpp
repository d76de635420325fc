#include "ui/dialogs/DlgDeleteFile.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The dialog's texts are the program's own; the string table has no numbers for them.
struct ButtonText {
    DeleteChoice choice;
    const char16_t *text;
};
constexpr ButtonText Buttons[] = {
    {DeleteChoice::DeleteThis, u"このファイルを削除(&D)"},
    {DeleteChoice::DeleteAll, u"以降すべて削除(&A)"},
    {DeleteChoice::SkipThis, u"スキップ(&S)"},
    {DeleteChoice::AbortRun, u"中止(&C)"},
};

QLineEdit *ReadOnlyText(QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    return edit;
}

} // namespace

CDlgDeleteFile::CDlgDeleteFile(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                          | Qt::WindowStaysOnTopHint)
    , m_fileName(ReadOnlyText(this))
    , m_dateText(ReadOnlyText(this))
    , m_sizeText(ReadOnlyText(this))
{
    setWindowTitle(QStringLiteral(u"ファイル削除確認"));

    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral(u"ファイル名:"), this), 0, 0);
    fields->addWidget(m_fileName, 0, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral(u"更新日:"), this), 1, 0);
    fields->addWidget(m_dateText, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral(u"サイズ:"), this), 2, 0);
    fields->addWidget(m_sizeText, 2, 1);
    fields->setColumnStretch(1, 2);
    fields->setColumnStretch(2, 3);
    m_fileName->setMinimumWidth(fontMetrics().averageCharWidth() * 50);

    auto *row = new QHBoxLayout;
    for (const ButtonText &entry : Buttons) {
        auto *button = new QPushButton(QString::fromUtf16(entry.text), this);
        button->setAutoDefault(false);
        const DeleteChoice choice = entry.choice;
        if (choice == DeleteChoice::AbortRun)
            connect(button, &QPushButton::clicked, this, &CDlgDeleteFile::reject);
        else
            connect(button, &QPushButton::clicked, this, [this, choice] { Answer(choice); });
        m_buttons[int(choice)] = button;
        row->addWidget(button);
    }
    m_buttons[int(DeleteChoice::DeleteThis)]->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_buttons[int(DeleteChoice::DeleteThis)]->setFocus();
}

CDlgDeleteFile::~CDlgDeleteFile() = default;

void CDlgDeleteFile::SetTexts(const QString &fileName, const QString &sizeText, const QString &dateText)
{
    m_fileName->setText(fileName);
    m_fileName->setCursorPosition(0);
    m_sizeText->setText(sizeText);
    m_dateText->setText(dateText);
}

QPushButton *CDlgDeleteFile::Button(DeleteChoice choice) const
{
    return m_buttons[int(choice)];
}

void CDlgDeleteFile::Answer(DeleteChoice choice)
{
    m_choice = choice;
    accept();
}

void CDlgDeleteFile::reject()
{
    // Esc, 中止 and the close box all stop the run.
    m_choice = DeleteChoice::AbortRun;
    accept();
}
