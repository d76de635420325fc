#include "ui/dialogs/DlgAddDirectory.h"

#include "ui/FileDropEdit.h"

CDlgAddDirectory::CDlgAddDirectory(QWidget *parent)
    : CDlgAddPattern({.caption = QStringLiteral(u"対象フォルダ指定"),
                      .prompt = QStringLiteral(u"追加するフォルダ名を指定してください。"),
                      .examples = QStringLiteral(u"【例 1: temp】 【例 2: sample/temp】 【例 3: hoge/data/*】"),
                      .fieldLabel = QStringLiteral(u"フォルダ名(&D):"),
                      .notes = {QStringLiteral(u"※基準フォルダからのパスを指定してください。"),
                                QStringLiteral(u"※ワイルドカード (*,?) が使用可能です。")}},
                     parent)
{
    Edit()->Drop().folderMode = true;
    Edit()->Drop().relativeMode = true;
}

void CDlgAddDirectory::SetBaseFolder(const QString &baseFolder)
{
    Edit()->Drop().basePath = baseFolder;
}
