#pragma once
// The dashboard's one secret: a token every request must carry once the dashboard listens
// beyond this machine (a header, or a cookie set from the login form). Compared in constant
// time; a wrong token is not told why.
#include <QByteArray>
#include <QString>

struct HttpRequest;

namespace dashauth {
// The cookie that carries the token after a login.
inline constexpr char kCookie[] = "dtucfg_dashboard";

// Reads the token from `path`: a regular file holding one line of at least 16 characters.
bool ReadToken(const QString &path, QByteArray &token, QString &error);
// Writes a new random token to `path` (made for its owner alone, mode 0600); refuses to replace
// a file that exists.
bool WriteNewToken(const QString &path, QString &error);
// Whether the request carries `token`: "Authorization: Bearer …", or the cookie.
bool Carries(const HttpRequest &request, const QByteArray &token);
// Whether `given` is `token`, in a time that does not depend on where they differ.
bool Same(const QByteArray &given, const QByteArray &token);
} // namespace dashauth
