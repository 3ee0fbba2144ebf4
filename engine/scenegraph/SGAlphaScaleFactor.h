// The alpha factor applied when sprites set their drawing colour: 1.0 except
// while renderWithInitialState draws the initial scene at half alpha.
#ifndef SG_ALPHA_SCALE_FACTOR_H
#define SG_ALPHA_SCALE_FACTOR_H

extern float SGAlphaScaleFactor;

#endif
