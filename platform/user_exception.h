#pragma once
#include <exception>

// Thrown by the live instrument access object when a driver call fails. It
// carries no text: the status is recorded in the access object, and whoever
// catches it decides what the operator sees. It must never leave a Qt handler.
class CUserException : public std::exception {
public:
    const char* what() const noexcept override { return "instrument operation abandoned"; }
};

// Runs one window-message handler the way the message dispatch does: a user
// exception that escapes it ends the handler and is dropped without a message.
template <class Handler>
void DispatchHandler(Handler&& handler)
{
    try {
        handler();
    } catch (const CUserException&) {
    }
}
