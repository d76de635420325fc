#include "ui/dialogs/DlgAddFile.h"

#include "ui/FileDropEdit.h"

CDlgAddFile::CDlgAddFile(QWidget *parent)
    : CDlgAddPattern({.caption = QStringLiteral(u"対象ファイル指定"),
                      .prompt = QStringLiteral(u"追加するファイル名を指定してください。"),
                      .examples = QStringLiteral(u"【例 1: *.txt】 【例 2: temp.*】【例 3: *hoge*.dat】"),
                      .fieldLabel = QStringLiteral(u"ファイル名(&F):"),
                      .notes = {QStringLiteral(u"※フォルダ名を含めることはできません。"),
                                QStringLiteral(u"※ワイルドカード (*,?) が使用可能です。")}},
                     parent)
{
    Edit()->Drop().nameMode = true;
}
