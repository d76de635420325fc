#pragma once

#include "model/FolderSetting.h"
#include "ui/dialogs/FieldBindings.h"

#include <QWidget>

#include <optional>

struct SheetServices;

// One page of the folder setting sheet. It keeps its own copy of the fields it edits; the
// controls show them from the first time the page is opened and give them back whenever the
// page is left (after the number boxes have been checked). A page never opened neither checks
// nor changes anything.
class CDlgDefPage : public QWidget {
    Q_OBJECT

public:
    CDlgDefPage(SheetServices &services, QWidget *parent = nullptr);

    virtual QString Title() const = 0;

    // Takes the fields this page edits from the record.
    void Load(const CFolderSetting &source);
    // Writes the fields this page edits into the record.
    void Store(CFolderSetting &result) const;

    // The page becomes the current one.
    void Enter();
    // The page stops being the current one (another tab, or OK): the first number box that is
    // not acceptable, or none after the controls have given back their values.
    std::optional<NumberProblem> Leave();

    bool Opened() const { return m_opened; }
    const CFolderSetting &Values() const { return m_values; }

protected:
    // Fields to controls, the first time the page opens; the page's opening rules run after it.
    virtual void ShowValues();
    // Controls to fields; every number box holds an integer when it is called.
    virtual void TakeValues();
    // Fields of this page that no binding covers.
    virtual void CopyOtherFields(const CFolderSetting &from, CFolderSetting &to) const;
    // Each time the page becomes the current one, after ShowValues the first time.
    virtual void Activated() {}

    SheetServices &m_services;
    CFieldBindings m_bindings;
    CFolderSetting m_values;

private:
    bool m_opened = false;
};
