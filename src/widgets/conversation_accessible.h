#pragma once
// What screen readers and tests read of a conversation view: its text as the value and
// through the text interface (characters, selection, lines), as of a read-only text edit.

// Installs the factory once; every ConversationView then answers for itself.
void InstallConversationAccessible();
