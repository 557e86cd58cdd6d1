#pragma once
// Password boxes that show every typed character as "*", whatever mask character the style
// would use (many styles draw a bullet).
class QLineEdit;

// Puts `edit` in password mode with "*" as its mask character.
void UseAsteriskPasswordEcho(QLineEdit *edit);
