#pragma once
// Numbers are checked where they enter the engine. A NaN or an infinity taken
// into a clock, an event queue or a transform spreads through everything
// computed from it (a NaN time sorts nowhere in a queue; an infinite position
// turns into NaN at the first rotation), so it is refused at the door with a
// message naming the operation and the parameter.

namespace Tarnu
{

class Complex;
class Scale;
class Vector2;

double requireFinite(double value, const char* operation, const char* parameter);
const Vector2& requireFinite(const Vector2& value, const char* operation, const char* parameter);
const Complex& requireFinite(const Complex& value, const char* operation, const char* parameter);
const Scale& requireFinite(const Scale& value, const char* operation, const char* parameter);

}
