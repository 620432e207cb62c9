#pragma once

#include <QString>

// What an operation came to, decided where the operation decides it. Its
// messages have been shown through the prompter by then; the desktop needs
// nothing more, and the companion maps the status to its exit status.
struct Outcome {
    enum class Status {
        Done,      // the operation did what was asked
        Declined,  // the user said no, gave no answer or stopped it
        Refused,   // the data do not allow it, or the check found logic errors
        Failed,    // a file or the machine stopped it; nothing was left half done
    };
    Status status = Status::Done;
    QString file;    // the file written, or the file that holds the findings
    QString reason;  // why it was not done, as the message said it

    static Outcome done(const QString& file = {}) { return {Status::Done, file, {}}; }
    static Outcome declined() { return {Status::Declined, {}, {}}; }
    static Outcome refused(const QString& reason, const QString& file = {}) { return {Status::Refused, file, reason}; }
    static Outcome failed(const QString& reason) { return {Status::Failed, {}, reason}; }
    bool isDone() const { return status == Status::Done; }
};
