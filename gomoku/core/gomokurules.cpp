#include "gomokurules.h"

using namespace Gomoku;

GomokuRules::GomokuRules()
{
    // Clockwise from up; y grows downwards as on the screen.
    m_dirVector = { {
        { 0, 0 }, { 0, -1 }, // 1 up
        { 1, -1 }, // 2 up-right
        { 1, 0 }, // 3 right
        { 1, 1 }, // 4 down-right
        { 0, 1 }, // 5 down
        { -1, 1 }, // 6 down-left
        { -1, 0 }, // 7 left
        { -1, -1 }, // 8 up-left
    } };
    DepthClear();
    Initialize();
}

void GomokuRules::Initialize()
{
    for (auto &column : m_board)
        column.fill(EmptyPoint);
    m_gameStarted = false;
}

bool GomokuRules::DropAStone(qint16 x, qint16 y)
{
    if (!isOnBoard(x, y))
        return false;
    m_board[x][y] = m_turn;
    return WinCheck(x, y);
}

bool GomokuRules::WinCheck(qint16 x, qint16 y)
{
    for (qint16 direction = 1; direction <= 8; ++direction) {
        // A win leaves Depth as it is; the game ends there.
        if (Check(x, y, 1, direction))
            return true;
    }
    DepthClear();
    return false;
}

bool GomokuRules::Check(qint16 sx, qint16 sy, qint16 count, qint16 direction)
{
    const Offset step = m_dirVector.at(direction);
    const qint16 nx = qint16(sx + step.dx);
    const qint16 ny = qint16(sy + step.dy);
    if (!isOnBoard(nx, ny))
        return false;
    if (m_board[nx][ny] != m_turn)
        return false;
    m_depth[direction] = count;
    // The new stone plus count beyond it plus the run already found on the
    // other side: four besides the new stone make five.
    if (count + m_depth.at(oppositeDirection(direction)) >= StonesToWin - 1)
        return true;
    return Check(nx, ny, qint16(count + 1), direction);
}

void GomokuRules::DepthClear()
{
    m_depth.fill(0);
}

qint16 GomokuRules::Board(qint16 x, qint16 y) const
{
    return isOnBoard(x, y) ? m_board[x][y] : EmptyPoint;
}

void GomokuRules::setOwnColor(qint16 color)
{
    m_stoneColor[0] = color == Black ? Black : White;
    m_stoneColor[1] = color == Black ? White : Black;
}

void GomokuRules::startGame()
{
    Initialize();
    m_turn = m_stoneColor[0] == Black ? OwnSide : PartnerSide;
    m_gameStarted = true;
}
