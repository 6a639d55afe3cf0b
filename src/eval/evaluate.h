// The static evaluation: material and placement, palace threats, rook mobility and
// trapped knights, with two lazy cut-offs between the terms of rising cost.
#pragma once

#include "position/position.h"

// From the side to move's point of view. Far outside (alpha, beta) the score is taken
// from material alone.
int evaluate(int alpha, int beta, const Position& pos);

// The terms, each from the side to move's point of view.
int palaceThreatScore(const Position& pos);
int rookMobilityScore(const Position& pos);
int knightTrapScore(const Position& pos);

// Whether a piece of `attacker` (0 red, 1 black) attacks `sq` on the present board. It
// knows no facing-kings rule; the half-board split replaces the river tests for pawns.
bool isSquareAttackedBy(const Position& pos, int attacker, Square sq);
