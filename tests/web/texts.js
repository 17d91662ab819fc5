// What the browser tests expect of the game: its console texts and the colours and places of its frame.
'use strict';
const fs = require('fs');
const path = require('path');

// The fixed texts that every test layer reads from tests/fixtures/.
const fixture = (name) => fs.readFileSync(path.join(__dirname, '..', 'fixtures', name), 'utf8');
const HELP_BOX = fixture('help_box.txt');
const TITLE = fixture('window_title.txt').replace(/\n$/, '');

const PROMPT = '\nUse a tecla O para passo-a-passo, ou a tecla P para continuar.';
const REST_Y = 0.005 * 0.5 + 0.2 + 0.01;
const STEP = 0.006;

// The position line of a single step; toFixed and printf's %.2f agree but for exact ties, which these are not.
function positions(paddleX, ballX, ballY) {
  const f = (value) => value.toFixed(2);
  return `\n Posicoes -  raquete = [ ${f(paddleX)},   ${f(0.2)}]      bola = [ ${f(ballX)},   ${f(ballY)}] `;
}

// Where the paddle stood still in the console's first position line, and the whole console that two steps
// from there and a third after a launch make in a new game.
function stillThenLaunched(output) {
  const x = Number(/raquete = \[ ([\d.]+)/.exec(output)[1]);
  const still = PROMPT + positions(x, x, REST_Y);
  return {x, expected: HELP_BOX + still + still + PROMPT + positions(x, x + STEP, REST_Y + STEP)};
}

const WHITE = [255, 255, 255];
const BALL = [0, 0, 255];
const GAME_OVER_BOX = [160, 230, 320, 255];  // "FIM DE JOGO" in Helvetica 18 on the baseline at (0.4, 0.5)

module.exports = {BALL, GAME_OVER_BOX, HELP_BOX, PROMPT, REST_Y, STEP, TITLE, WHITE, positions,
                  stillThenLaunched};
