#include "services/tooltip_markup.h"

#include <gtest/gtest.h>

namespace {

std::string Describe(const std::vector<TooltipRun>& runs) {
  std::string out;
  for (const TooltipRun& r : runs) {
    if (r.lineBreak) {
      out += "|";
    } else {
      out += r.bold ? "[" + r.text + "]" : r.text;
    }
  }
  return out;
}

TEST(TooltipMarkup, ConvertsToRunsAndHtml) {
  struct Case {
    const char* markup;
    const char* runs;  // bold in [], line breaks as |
    const char* html;
  };
  const Case cases[] = {
      {"<TextBlock> Save <Bold>Container Name</Bold></TextBlock>", " Save [Container Name]",
       " Save <b>Container Name</b>"},
      {"<TextBlock> Compact Flash Floppy Drive Type&#10;Double/High Density</TextBlock>",
       " Compact Flash Floppy Drive Type|Double/High Density",
       " Compact Flash Floppy Drive Type<br>Double/High Density"},
      {"<TextBlock>a <Bold>b</Bold><Bold>c</Bold> d</TextBlock>", "a [bc] d", "a <b>bc</b> d"},
      {"<TextBlock>x&#10;&#10;y</TextBlock>", "x||y", "x<br><br>y"},
      {"<TextBlock>1 < 2 & 3 > \"q\"</TextBlock>", "1 < 2 & 3 > \"q\"",
       "1 &lt; 2 &amp; 3 &gt; &quot;q&quot;"},
      {"<TextBlock>&amp;&lt;&#x41;&#65;&#228;&nbsp;&#0;</TextBlock>", "&<AA\xC3\xA4&nbsp;&#0;",
       "&amp;&lt;AA\xC3\xA4&amp;nbsp;&amp;#0;"},
      {"<TextBlock><Bold>outer <Bold>inner</Bold> still</Bold> plain</TextBlock>",
       "[outer inner still] plain", "<b>outer inner still</b> plain"},
      {"<TextBlock>closing</Bold> too many</TextBlock>", "closing too many", "closing too many"},
      {"<TextBlock><Italic>kept</Italic> text<LineBreak/>next</TextBlock>", "kept text|next",
       "kept text<br>next"},
      {"no mark-up at all", "no mark-up at all", "no mark-up at all"},
      {"<TextBlock>unclosed <Bold", "unclosed <Bold", "unclosed &lt;Bold"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Describe(ParseTooltipMarkup(c.markup)), c.runs) << c.markup;
    EXPECT_EQ(TooltipMarkupToHtml(c.markup), c.html) << c.markup;
  }
}

TEST(TooltipMarkup, PlainTextKeepsLineBreaks) {
  EXPECT_EQ(TooltipMarkupToPlainText("<TextBlock> Gray: a&#10; Green: <Bold>b</Bold></TextBlock>"),
            " Gray: a\n Green: b");
}

}  // namespace
