#pragma once

class QWidget;

// Input as the window system delivers it: queued in Qt's window-system event
// queue, as the platform plugin queues a user's click, and taken from there
// only when the program processes events and lets user input through. (An
// event posted with QCoreApplication::postEvent skips that queue, so it would
// pass where a real click is held back.)
namespace WindowSystemInput {

// Queues a left click in the middle of target; it happens at the next event processing.
void queueClick(QWidget* target);

// Queues the window manager's request to close the window that holds target.
void queueCloseRequest(QWidget* target);

} // namespace WindowSystemInput
