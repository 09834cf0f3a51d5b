// Turns a plotter stream in one of the four command languages, as this driver
// writes them, back into absolute pen-up and pen-down segments per pen.
#pragma once
