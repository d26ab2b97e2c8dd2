#pragma once
// Waits for a network reply in a local event loop. On the main thread user input is held back,
// so the window keeps painting but no handler runs again while we wait.

class QNetworkReply;

namespace content {

void WaitForReply(QNetworkReply& reply);

} // namespace content
