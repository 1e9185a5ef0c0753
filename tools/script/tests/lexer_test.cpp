#include "tools/script/script_lexer.h"

#include <gtest/gtest.h>

using gsf::script::splitLine;
using gsf::script::SyntaxError;
using gsf::script::Word;

namespace {

std::vector<std::string> texts(const std::string& line)
{
    std::vector<std::string> out;
    for (const Word& word : splitLine(line))
        out.push_back(word.text);
    return out;
}

} // namespace

TEST(ScriptLexer, SplitsLikeAShell)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(texts("type medCdCliente 11222333000181"), (V{"type", "medCdCliente", "11222333000181"}));
    EXPECT_EQ(texts("  host   free 0001  \"Filial Centro\"\t"), (V{"host", "free", "0001", "Filial Centro"}));
    EXPECT_EQ(texts("expect message 'Filial não cadastrada.'"), (V{"expect", "message", "Filial não cadastrada."}));
    EXPECT_EQ(texts(R"(type x "diz \"oi\"" a\ b)"), (V{"type", "x", "diz \"oi\"", "a b"}));
    EXPECT_EQ(texts(R"(x 'sem \ escape')"), (V{"x", "sem \\ escape"})) << "single quotes keep a backslash";
    EXPECT_EQ(texts(R"(x pre"meio fim"pos)"), (V{"x", "premeio fimpos"}));
    EXPECT_EQ(texts("type medCdFilial \"\""), (V{"type", "medCdFilial", ""})) << "an empty quoted word is kept";
}

TEST(ScriptLexer, CommentsOnlyStartAWord)
{
    using V = std::vector<std::string>;
    EXPECT_TRUE(splitLine("   # só comentário").empty());
    EXPECT_TRUE(splitLine("").empty());
    EXPECT_EQ(texts("click sbtIncluir # inclui"), (V{"click", "sbtIncluir"}));
    EXPECT_EQ(texts("type x a#b \"#c\""), (V{"type", "x", "a#b", "#c"}));
}

TEST(ScriptLexer, RemembersQuoting)
{
    const auto words = splitLine("expect field cds.F null \"null\"");
    ASSERT_EQ(words.size(), 5u);
    EXPECT_FALSE(words[3].quoted);
    EXPECT_TRUE(words[4].quoted);
    EXPECT_EQ(words[4].text, "null");
}

TEST(ScriptLexer, RejectsUnclosedQuotesAndTrailingBackslash)
{
    EXPECT_THROW(splitLine("type x \"sem fim"), SyntaxError);
    EXPECT_THROW(splitLine("type x 'sem fim"), SyntaxError);
    EXPECT_THROW(splitLine("type x fim\\"), SyntaxError);
}

TEST(ScriptLexer, WordsKnowWhereTheyStartInTheLine)
{
    const std::string line = R"(  expect calls GetX ["a b", "c"] 'q' x\ y)";
    std::vector<size_t> begins;
    for (const Word& word : splitLine(line))
        begins.push_back(word.begin);
    EXPECT_EQ(begins, (std::vector<size_t>{2, 9, 15, 20, 28, 33, 37}));
    EXPECT_EQ(line.substr(20, 6), R"(["a b")") << "a quoted part starts the word where it is written";
    EXPECT_EQ(splitLine("x  y")[1], (Word{"y", false})) << "words compare by what they say";
}
