#pragma once

#include <QEvent>

#include <string>

#include "link/posted_message.h"

namespace lintor {

// A private message on Qt's event queue: the event type is the message number.
class PostedEvent final : public QEvent {
public:
    explicit PostedEvent(const PostedMessage& message)
        : QEvent(static_cast<QEvent::Type>(message.id)),
          message_(message) {}
    const PostedMessage& message() const { return message_; }

private:
    PostedMessage message_;
};

// A text for the user from any thread, shown on the user-interface thread.
class UserMessageEvent final : public QEvent {
public:
    static QEvent::Type eventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    explicit UserMessageEvent(std::string text) : QEvent(eventType()), text_(std::move(text)) {}
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

}  // namespace lintor
