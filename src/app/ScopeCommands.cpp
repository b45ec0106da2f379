#include "ScopeCommands.h"

#include "platform/DisplayText.h"
#include "platform/Prompt.h"

#include <QCheckBox>
#include <QListWidget>

ScopeCommands::ScopeCommands(Prompt& prompt, QListWidget& altFolders, const Boxes& boxes)
    : m_prompt(prompt)
    , m_list(altFolders)
    , m_boxes(boxes)
{}

bool ScopeCommands::addFolder()
{
    if (m_list.count() >= MaxAltFolders) {
        // The stored list is bounded; a folder beyond that would be lost at the next start.
        m_prompt.MsgBox(u"The list already holds " + QString::number(m_list.count()) +
                            u" folders, the most it can keep. Please remove a folder before "
                            u"adding another.",
                        MsgStyle::OkOnly | MsgStyle::Exclamation,
                        QStringLiteral("Too Many Folders"));
        return false;
    }
    const QListWidgetItem* current = m_list.currentItem();
    const QString path =
        m_prompt.BrowseForFolder(QStringLiteral("Select a folder in which to search."),
                                 current ? current->text() : QString());
    if (path.isEmpty())
        return false;
    for (int i = 0; i < m_list.count(); ++i) {
        if (m_list.item(i)->text() == path) {
            m_prompt.MsgBox(u'"' + path + u"\" is already in the list.",
                            MsgStyle::OkOnly | MsgStyle::Exclamation,
                            QStringLiteral("Already There"));
            return false;
        }
    }
    m_list.addItem(makeItem({path, false}));
    return true;
}

void ScopeCommands::removeFolder()
{
    const int row = m_list.currentRow();
    if (row >= 0)
        delete m_list.takeItem(row);
}

void ScopeCommands::selectAll()
{
    setAll(true);
    if (m_list.count() > 0)
        m_list.setCurrentRow(0);
}

void ScopeCommands::selectNone()
{
    setAll(false);
}

void ScopeCommands::setAll(bool ticked)
{
    const Qt::CheckState state = ticked ? Qt::Checked : Qt::Unchecked;
    for (QCheckBox* box : m_boxes) {
        box->setTristate(false);
        box->setCheckState(state);
    }
    for (int i = 0; i < m_list.count(); ++i)
        m_list.item(i)->setCheckState(state);
}

std::array<int, FolderBoxCount> ScopeCommands::boxValues() const
{
    std::array<int, FolderBoxCount> values{};
    for (int i = 0; i < FolderBoxCount; ++i) {
        const Qt::CheckState state = m_boxes[size_t(i)]->checkState();
        values[size_t(i)] = state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
    }
    return values;
}

void ScopeCommands::setBoxValues(const std::array<int, FolderBoxCount>& values)
{
    for (int i = 0; i < FolderBoxCount; ++i) {
        const int value = values[size_t(i)];
        QCheckBox* box = m_boxes[size_t(i)];
        box->setTristate(value == 2);
        box->setCheckState(value == 1   ? Qt::Checked
                           : value == 2 ? Qt::PartiallyChecked
                                        : Qt::Unchecked);
    }
}

QList<AltFolder> ScopeCommands::altFolders() const
{
    QList<AltFolder> folders;
    folders.reserve(m_list.count());
    for (int i = 0; i < m_list.count(); ++i) {
        const QListWidgetItem* item = m_list.item(i);
        folders.append({item->text(), item->checkState() == Qt::Checked});
    }
    return folders;
}

void ScopeCommands::setAltFolders(const QList<AltFolder>& folders)
{
    m_list.clear();
    // Items are made whole before they join the list, so each insertion is one change.
    for (const AltFolder& folder : folders)
        m_list.addItem(makeItem(folder));
    if (m_list.count() > 0)
        m_list.setCurrentRow(0);
}

QListWidgetItem* ScopeCommands::makeItem(const AltFolder& folder)
{
    auto* item = new QListWidgetItem(folder.path);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(folder.ticked ? Qt::Checked : Qt::Unchecked);
    item->setToolTip(plainToolTip(folder.path));
    return item;
}
