#include "ui/dialogs/DlgDefineSheet.h"

#include "platform/Text.h"
#include "res/StringIds.h"
#include "ui/MessageBoxes.h"
#include "ui/dialogs/DlgDefLog.h"
#include "ui/dialogs/DlgDefMain.h"
#include "ui/dialogs/DlgDefMode.h"
#include "ui/dialogs/DlgDefSchedule.h"
#include "ui/dialogs/DlgDefTarget.h"
#include "ui/dialogs/NumberEdit.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

CDlgDefineSheet::CDlgDefineSheet(const QString &caption, const CFolderSetting &source, SheetServices services,
                                 QWidget *parent)
    : QDialog(parent)
    , m_services(std::move(services))
    , m_lastExec(source.LastExec)
    , m_tabs(new QTabWidget(this))
    , m_buttons(new QDialogButtonBox(this))
{
    setWindowTitle(caption);
    m_services.FillMissing();
    if (!m_services.messages) {
        m_ownMessages = std::make_unique<CMessageBoxes>(this);
        m_services.messages = m_ownMessages.get();
    }

    // In tab order.
    m_main = new CDlgDefMain(m_services);
    m_mode = new CDlgDefMode(m_services);
    m_target = new CDlgDefTarget(m_services, *m_main);
    m_log = new CDlgDefLog(m_services);
    m_schedule = new CDlgDefSchedule(m_services);
    for (CDlgDefPage *page : std::initializer_list<CDlgDefPage *>{m_main, m_mode, m_target, m_log, m_schedule}) {
        page->Load(source);
        m_tabs->addTab(page, page->Title());
    }

    QPushButton *ok = m_buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_buttons->addButton(QStringLiteral(u"キャンセル"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);

    m_tabs->setCurrentIndex(0);
    m_main->Enter();
    connect(m_tabs, &QTabWidget::currentChanged, this, &CDlgDefineSheet::TabChanged);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CDlgDefineSheet::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CDlgDefineSheet::reject);
}

CDlgDefineSheet::~CDlgDefineSheet() = default;

bool CDlgDefineSheet::EditFolderSetting(QWidget *parent, const QString &caption, const CFolderSetting &source,
                                        CFolderSetting &result, SheetServices services)
{
    CDlgDefineSheet sheet(caption, source, std::move(services), parent);
    if (sheet.exec() != QDialog::Accepted)
        return false;
    sheet.WriteResult(result);
    return true;
}

void CDlgDefineSheet::WriteResult(CFolderSetting &result) const
{
    result.LastExec = m_lastExec;
    for (int index = 0; index < m_tabs->count(); ++index)
        PageAt(index)->Store(result);
    result.Target = result.Target.toLower();
}

void CDlgDefineSheet::accept()
{
    if (const std::optional<NumberProblem> problem = PageAt(m_currentPage)->Leave()) {
        ShowProblem(*problem);
        return;
    }
    QDialog::accept();
}

CDlgDefPage *CDlgDefineSheet::PageAt(int index) const
{
    return static_cast<CDlgDefPage *>(m_tabs->widget(index));
}

// The page that is left must accept its number boxes first; otherwise its tab comes back.
void CDlgDefineSheet::TabChanged(int index)
{
    if (index == m_currentPage || index < 0)
        return;
    if (const std::optional<NumberProblem> problem = PageAt(m_currentPage)->Leave()) {
        const QSignalBlocker quiet(m_tabs);
        m_tabs->setCurrentIndex(m_currentPage);
        ShowProblem(*problem);
        return;
    }
    m_currentPage = index;
    PageAt(index)->Enter();
}

void CDlgDefineSheet::ShowProblem(const NumberProblem &problem)
{
    m_services.messages->ShowMessageBox({.text = problem.message,
                                         .caption = LoadResString(IDS_APP_TITLE),
                                         .icon = MessageIcon::Warning});
    problem.box->setFocus(Qt::OtherFocusReason);
    if (auto *number = qobject_cast<CNumberEdit *>(problem.box))
        number->selectAll();
}
