// Once a year, in December, the program invites its user to the census of
// its users: a short letter to the author, and a vote in a catalogue's hit
// parade.
#pragma once

class Application;

// Asks when it is December and the user was not asked this year yet, and
// records the year whatever the answers.
void RunCensus(Application& application);
