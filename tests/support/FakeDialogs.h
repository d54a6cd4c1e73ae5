#pragma once

#include "platform/UserDialogs.h"

#include <QString>

#include <deque>
#include <optional>
#include <vector>

namespace vorel::test {

// File dialogs that answer from a queue (an empty path: the user cancels, as does an empty
// queue) and message boxes that are only recorded as "caption: text". The questions to save and
// the offers of recovery are recorded and answered from queues of their own; when empty, Discard
// (a user who wants the window gone) and Later.
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
    SaveAnswer askToSave(QWidget*, const QString&, const QString& question) override {
        questions.push_back(question);
        return next(saveAnswers, SaveAnswer::discard);
    }
    RecoveryAnswer offerRecovery(QWidget*, const QString& text) override {
        offers.push_back(text);
        return next(recoveryAnswers, RecoveryAnswer::later);
    }

    struct Asked {
        FileDialogRequest request;
        bool save;
    };
    std::deque<QString> answers;
    std::vector<Asked> asked;
    std::vector<QString> messages;
    std::deque<SaveAnswer> saveAnswers;
    std::vector<QString> questions;
    std::deque<RecoveryAnswer> recoveryAnswers;
    std::vector<QString> offers;

  private:
    template <typename Answer> static Answer next(std::deque<Answer>& queue, Answer otherwise) {
        if (queue.empty())
            return otherwise;
        const Answer answer = queue.front();
        queue.pop_front();
        return answer;
    }
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
