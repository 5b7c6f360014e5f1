#pragma once
// Calls made for a caller that must not see an exception: Qt, a destructor, a queued call.

#include <functional>

// Sets who is told of an exception that reached the bridge; it runs inside the catch block
// (std::current_exception holds the exception). Returns the handler it replaces.
std::function<void()> SetMessageExceptionHandler(std::function<void()> Handler);
// Runs Action for a caller that must not see an exception (Qt, a destructor); an exception
// from it goes to the message exception handler.
void CallGuarded(const std::function<void()>& Action);
