// The transfers of the network helper, with libcurl: a web page over http and https
// only (redirects too, honouring http_proxy, https_proxy and no_proxy), a mail over
// plain SMTP with AUTH LOGIN when a login is given, and a connection test of an SMTP
// server. Each reads its settings from a request (net_request.h) and returns one of
// the helper's exit statuses.
#pragma once

#include <cstdio>
#include <string>

#include "execution/net_request.h"

namespace orvalo {

// Fields url, user_agent, connect_seconds, total_seconds, max_bytes. Writes the page
// (whatever body the server answers, an error page too) to out as it comes.
int fetchTransfer(const NetRequest& request, std::FILE* out);

// Fields url, from, recipients (one address a line), login, password,
// connect_seconds, reply_seconds, total_seconds, message. On failure the reason goes
// to out.
int mailTransfer(const NetRequest& request, std::FILE* out);

// Fields url, connect_seconds, reply_seconds. On failure the reason goes to out.
int smtpTestTransfer(const NetRequest& request, std::FILE* out);

}  // namespace orvalo
