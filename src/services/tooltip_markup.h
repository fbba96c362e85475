// Tooltip mark-up of the language texts: one <TextBlock> element, <Bold> runs
// and "&#10;" line breaks. Turned into runs for a renderer of its own, or into
// minimal HTML (<b>, <br>) for a rich-text display.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct TooltipRun {
  std::string text;  // UTF-8, empty for a line break
  bool bold = false;
  bool lineBreak = false;
};

// Runs in order; neighbouring runs of the same weight are joined, each line
// break is a run of its own. Unknown elements are dropped with their content
// kept; a '<' or '&' that starts no tag or reference is text.
std::vector<TooltipRun> ParseTooltipMarkup(std::string_view markup);

// The same as HTML: bold runs in <b>, line breaks as <br>, every other
// character that HTML treats specially escaped. Qt shows it as rich text when
// it is wrapped in <qt>...</qt> (plain tooltips without tags are otherwise
// taken as plain text).
std::string TooltipMarkupToHtml(std::string_view markup);

// The text alone, line breaks as '\n'.
std::string TooltipMarkupToPlainText(std::string_view markup);
