#include "ui/dialogs/DlgDefPage.h"

CDlgDefPage::CDlgDefPage(SheetServices &services, QWidget *parent) : QWidget(parent), m_services(services) {}

void CDlgDefPage::Load(const CFolderSetting &source)
{
    m_bindings.Copy(source, m_values);
    CopyOtherFields(source, m_values);
}

void CDlgDefPage::Store(CFolderSetting &result) const
{
    m_bindings.Copy(m_values, result);
    CopyOtherFields(m_values, result);
}

void CDlgDefPage::Enter()
{
    if (!m_opened) {
        m_opened = true;
        ShowValues();
    }
    Activated();
}

std::optional<NumberProblem> CDlgDefPage::Leave()
{
    if (!m_opened)
        return std::nullopt;
    if (std::optional<NumberProblem> problem = m_bindings.CheckNumbers())
        return problem;
    TakeValues();
    return std::nullopt;
}

void CDlgDefPage::ShowValues()
{
    m_bindings.Show(m_values);
}

void CDlgDefPage::TakeValues()
{
    m_bindings.Take(m_values);
}

void CDlgDefPage::CopyOtherFields(const CFolderSetting &, CFolderSetting &) const {}
