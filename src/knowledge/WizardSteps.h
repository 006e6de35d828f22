// How the optimisation wizard walks its questions.
#pragma once

#include <string>

namespace WizardSteps
{
// The marker of the running system: "@" Windows 2000 (5.0), "#" XP (5.1),
// "$" Server 2003 (5.2); any other version, later ones included, gets the
// empty marker and so every question.
std::string OsMarkerFor(unsigned long dwMajor, unsigned long dwMinor);

// The next question after nQuestion that applies under the marker, or 0
// when none follows.
int NextQuestion(int nQuestion, const std::string& strMarker);
// The previous applicable question, or nQuestion itself on the first one.
int PreviousQuestion(int nQuestion, const std::string& strMarker);

enum Answer
{
    kAnswerYes,   // automatic
    kAnswerNo,    // disabled
    kAnswerLater, // manual
};
const char* WordFor(Answer answer);
} // namespace WizardSteps
