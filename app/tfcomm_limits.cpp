// The limit panel's Hi/Lo edits and the alarm edits. The rules are the core's
// (LimitPanel); these handlers forward keys and texts and write back what the
// rules make of them.
#include <QCheckBox>
#include <QLineEdit>

#include "app/tfcomm.h"
#include "decode/limit_panel.h"
#include "decode/meter_decoder.h"

namespace {

// The key as the 8-bit character the filters judge; 0 (never passes) beyond Latin-1.
char keyChar(QChar key)
{
    return key.unicode() <= 0xFF ? static_cast<char>(key.unicode()) : '\0';
}

}  // namespace

bool TFCOMM::T1HIKeyPress(QLineEdit* edit, QChar key)
{
    (void)edit;
    const char c = keyChar(key);
    return c != '\0' && tavolo::T1HIKeyPress(c, m_decoder->limits().decimalSymbol());
}

void TFCOMM::T1HIChange(QLineEdit* edit)
{
    tavolo::LimitPanel& limits = m_decoder->limits();
    // Typed keys are filtered already; a pasted text with the other separator
    // ("1.5" where the locale writes "1,5") is mended as the next frame would
    // mend it, instead of being thrown away as no number.
    std::string text = edit->text().toStdString();
    tavolo::correctSeparator(text, limits.decimalSymbol());
    const int selStart = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    const int selLength = edit->hasSelectedText() ? static_cast<int>(edit->selectedText().size()) : 0;
    const tavolo::EditState& state =
        edit == T1HI ? limits.changeT1HI(text, selStart, selLength) : limits.changeT1LO(text, selStart, selLength);
    applyEditState(edit, state.text, state.selStart, state.selLength);
}

bool TFCOMM::SetmaxKeyPress(QChar key)
{
    const char c = keyChar(key);
    return c != '\0' && tavolo::SetmaxKeyPress(c);
}

void TFCOMM::SetmaxExit()
{
    tavolo::LimitPanel& limits = m_decoder->limits();
    std::optional<std::string> error;
    if (limits.setMaxChecked() != SetMaxB->isChecked())
        error = limits.setSetMaxChecked(SetMaxB->isChecked());
    else
        error = limits.setSetmaxText(Setmax->text().toStdString());
    if (error)
        statusNote(QString::fromStdString(*error));
}

void TFCOMM::SetMinExit()
{
    tavolo::LimitPanel& limits = m_decoder->limits();
    std::optional<std::string> error;
    if (limits.setMinChecked() != SetMinB->isChecked())
        error = limits.setSetMinChecked(SetMinB->isChecked());
    else
        error = limits.setSetMinText(SetMin->text().toStdString());
    if (error)
        statusNote(QString::fromStdString(*error));
}
