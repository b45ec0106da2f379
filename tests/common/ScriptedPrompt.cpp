#include "ScriptedPrompt.h"

int ScriptedPrompt::MsgBox(const QString& text, int style, const QString& title)
{
    m_asked.append({Asked::Message, text, title, style, {}});
    if (m_hook)
        m_hook(m_asked.last());
    if (!m_messages.isEmpty())
        return m_messages.takeFirst();
    return (style & 0x7) == MsgStyle::YesNo ? MsgResult::Yes : MsgResult::Ok;
}

std::optional<QString> ScriptedPrompt::InputBox(const QString& prompt, const QString& title,
                                                const QString& defaultText)
{
    m_asked.append({Asked::Input, prompt, title, 0, defaultText});
    if (!m_inputs.isEmpty())
        return m_inputs.takeFirst();
    return std::nullopt;
}

QString ScriptedPrompt::BrowseForFolder(const QString& title, const QString& initialFolder)
{
    m_asked.append({Asked::Folder, title, {}, 0, initialFolder});
    if (!m_folders.isEmpty())
        return m_folders.takeFirst();
    return {};
}
