#pragma once
// The bounds on every wait for the records database.

// How long a station waits for another one's lock on the database.
constexpr int kLockWaitMs = 5000;
// The server's own bound on a statement, and the client's on any wait for the server (a server
// that stopped answering cannot apply its own).
constexpr int kStatementMs = 6000;
constexpr int kClientWaitMs = 8000;
// A reader (the dashboard) must say within 5 s that the database does not answer.
constexpr int kReadingStatementMs = 3000;
constexpr int kReadingWaitMs = 3500;
