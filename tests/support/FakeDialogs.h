#pragma once

#include "platform/UserDialogs.h"

#include <QString>

#include <deque>
#include <optional>
#include <vector>

namespace vorel::test {

// File dialogs that answer from a queue (an empty path: the user cancels, as does an empty
// queue) and message boxes that are only recorded as "caption: text".
class FakeDialogs : public UserDialogs {
  public:
    std::optional<QString> openFile(QWidget*, const FileDialogRequest& request) override {
        return answer(request, false);
    }
    std::optional<QString> saveFile(QWidget*, const FileDialogRequest& request) override {
        return answer(request, true);
    }
    void showMessage(QWidget*, const QString& caption, const QString& text) override {
        messages.push_back(caption + QStringLiteral(": ") + text);
    }

    struct Asked {
        FileDialogRequest request;
        bool save;
    };
    std::deque<QString> answers;
    std::vector<Asked> asked;
    std::vector<QString> messages;

  private:
    std::optional<QString> answer(const FileDialogRequest& request, bool save) {
        asked.push_back({request, save});
        const QString next = answers.empty() ? QString() : answers.front();
        if (!answers.empty())
            answers.pop_front();
        if (next.isEmpty())
            return std::nullopt;
        return next;
    }
};

} // namespace vorel::test
