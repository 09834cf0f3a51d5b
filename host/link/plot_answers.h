// Answers that the command line gives the driver's plot-time questions
// (request 46): the paper of its menu, the copies, the PE command and the
// coordinate system. The host services hand them to the driver as the
// user's answers; a question without one is asked on the terminal as usual.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tvk::host {

struct PlotAnswers {
    std::string paper;          // a paper of the model's menu, by name or number; empty: ask
    std::optional<int> copies;  // in all; the driver asks for the additional ones
    std::optional<bool> pe;     // the PE command
    std::optional<bool> pe_8bit;
    std::optional<bool> absolute;  // coordinate system: absolute or relative
};

// Follows one round of plot-time questions: reads the paper menu the driver
// prints and answers the prompts the command line has answers for.
class PlotTimeDialog {
  public:
    explicit PlotTimeDialog(PlotAnswers answers) : answers_(std::move(answers)) {}

    // Every text the driver prints while it asks.
    void printed(const std::string& text);
    // A menu prompt (the paper menu, a numbered yes/no question, the
    // coordinate system); true when `value` now holds the answer, false to
    // ask the user. A refused answer leaves `cancel` set: the question is
    // to be cancelled, and refusal() says why.
    bool choice(const std::string& prompt, int low, int high, int& value, bool& cancel);
    // The number of additional copies.
    bool number(int max, int& value, bool& cancel);

    // After the questions: why an answer of the command line could not be
    // given (a paper the menu lacks, copies out of range, a question this
    // plotter does not ask); empty when every answer was taken. `flags`: the
    // configuration flags of the block the driver kept.
    std::string refusal(uint16_t flags) const;
    // The names of the menu's papers seen so far, by number from 1.
    const std::vector<std::string>& papers() const { return papers_; }

  private:
    bool paper(int count, int& value, bool& cancel);
    std::string paper_list() const;

    PlotAnswers answers_;
    std::string pending_;  // printed text not yet ended by a line feed
    std::vector<std::string> papers_;
    int yes_no_ = 0;  // numbered yes/no questions so far: the PE command, then its 8-bit mode
    bool paper_asked_ = false, copies_asked_ = false, pe_asked_ = false, coordinates_asked_ = false;
    std::string refusal_;
};

}  // namespace tvk::host
