#pragma once

#include <QString>

#include <array>

// The gomoku board and its win test.
//
// The board has 19 x 19 intersections, (x, y) with x = column 1..19 from the
// left and y = row 1..19 from the top. A cell holds the side that placed the
// stone, not its colour: -1 empty, 0 own side, 1 partner. Colours (0 black,
// 1 white) are looked up per side in StoneColor when a stone is drawn.
namespace Gomoku {

constexpr qint16 BoardSize = 19;
constexpr qint16 EmptyPoint = -1;
constexpr qint16 OwnSide = 0;
constexpr qint16 PartnerSide = 1;
constexpr qint16 Black = 0;
constexpr qint16 White = 1;
constexpr int StonesToWin = 5;

struct Offset
{
    qint16 dx = 0;
    qint16 dy = 0;
};

// True when (x, y) is an intersection of the board.
constexpr bool isOnBoard(int x, int y)
{
    return x >= 1 && x <= BoardSize && y >= 1 && y <= BoardSize;
}

// The opposite of direction d (1..8): d + 4 for d <= 4, d - 4 above.
constexpr qint16 oppositeDirection(qint16 d)
{
    return d <= 4 ? qint16(d + 4) : qint16(d - 4);
}

} // namespace Gomoku

// Board, turn, colours and names of one game, and the five-in-a-row test.
// The win test walks from the newly placed stone in the eight directions;
// Depth(d) holds how many stones of the mover lie beyond the new stone in
// direction d, so the walk in d + 4 adds up runs on both sides of the stone.
class GomokuRules
{
public:
    GomokuRules();

    // Empties the board and sets GameStarted to false.
    void Initialize();

    // Stores a stone of side Turn at (x, y) and returns whether it completes
    // five or more in a row. The cell itself is not checked (the callers
    // check it); a point off the board is refused and never stored.
    bool DropAStone(qint16 x, qint16 y);

    // Whether the stone just placed at (x, y) completes a line of five or
    // more of side Turn. Clears Depth unless it reports a win.
    bool WinCheck(qint16 x, qint16 y);

    // One step of the walk from (sx, sy) in direction; count is the distance
    // from the new stone of the point about to be examined, starting at 1.
    bool Check(qint16 sx, qint16 sy, qint16 count, qint16 direction);

    void DepthClear();

    // Cell at (x, y): EmptyPoint, OwnSide or PartnerSide; EmptyPoint off the board.
    qint16 Board(qint16 x, qint16 y) const;
    bool isFree(qint16 x, qint16 y) const { return Board(x, y) == Gomoku::EmptyPoint; }

    qint16 Turn() const { return m_turn; }
    void setTurn(qint16 side) { m_turn = side == Gomoku::OwnSide ? Gomoku::OwnSide : Gomoku::PartnerSide; }
    // Turn = |Turn - 1|: the other side moves next.
    void flipTurn() { m_turn = qint16(qAbs(m_turn - 1)); }

    // Colour of a side (0 black, 1 white).
    qint16 StoneColor(qint16 side) const { return m_stoneColor.at(side == Gomoku::OwnSide ? 0 : 1); }
    // Both sides' colours are set together: own black means partner white.
    void setOwnColor(qint16 color);

    QString PlayerName(qint16 side) const { return m_playerName.at(side == Gomoku::OwnSide ? 0 : 1); }
    void setPlayerName(qint16 side, const QString &name) { m_playerName.at(side == Gomoku::OwnSide ? 0 : 1) = name; }

    bool GameStarted() const { return m_gameStarted; }
    void setGameStarted(bool started) { m_gameStarted = started; }

    // Direction d = 1..8, clockwise from up.
    Gomoku::Offset DirVector(qint16 d) const { return m_dirVector.at(d); }
    qint16 Depth(qint16 d) const { return m_depth.at(d); }

    // Starts a game: board emptied, black moves first, GameStarted true.
    void startGame();

private:
    // Index 0 unused, so board and direction numbers read as in the rules.
    std::array<std::array<qint16, Gomoku::BoardSize + 1>, Gomoku::BoardSize + 1> m_board {};
    std::array<Gomoku::Offset, 9> m_dirVector {};
    std::array<qint16, 9> m_depth {};
    std::array<qint16, 2> m_stoneColor { Gomoku::Black, Gomoku::Black };
    std::array<QString, 2> m_playerName;
    qint16 m_turn = Gomoku::OwnSide;
    bool m_gameStarted = false;
};
