#include "bn254/final_exponentiation.h"

namespace kovra::bn254 {

std::optional<Fq12> final_exponentiation(const Fq12& f) {
  // Easy part: f^((p^6 - 1)(p^2 + 1)).
  Fq12 f1 = f;
  f1.conjugate();
  const std::optional<Fq12> f2 = f.inverse();
  if (!f2) return std::nullopt;
  Fq12 t = f1;
  t.mul_assign(*f2);
  Fq12 t2 = t;
  t2.frobenius_map(2);
  t2.mul_assign(t);
  t = t2;

  // Hard part: t^λ, λ = (12x^3 + 6x^2 + 4x - 1)p^3 + (12x^3 + 6x^2 + 6x)p^2
  //                     + (12x^3 + 6x^2 + 4x)p + (12x^3 + 12x^2 + 6x + 1).
  const Fq12 y0 = t.pow_neg_x();            // -x
  Fq12 y1 = y0;
  y1.cyclotomic_square();                   // -2x
  Fq12 y2 = y1;
  y2.cyclotomic_square();                   // -4x
  Fq12 y3 = y2;
  y3.mul_assign(y1);                        // -6x
  const Fq12 y4 = y3.pow_neg_x();           // 6x^2
  Fq12 y5 = y4;
  y5.cyclotomic_square();                   // 12x^2
  Fq12 y6 = y5.pow_neg_x();                 // -12x^3
  y3.conjugate();                           // 6x
  y6.conjugate();                           // 12x^3
  Fq12 y7 = y6;
  y7.mul_assign(y4);                        // 12x^3 + 6x^2
  Fq12 y8 = y7;
  y8.mul_assign(y3);                        // 12x^3 + 6x^2 + 6x
  Fq12 y9 = y8;
  y9.mul_assign(y1);                        // 12x^3 + 6x^2 + 4x
  Fq12 y10 = y8;
  y10.mul_assign(y4);                       // 12x^3 + 12x^2 + 6x
  Fq12 y11 = y10;
  y11.mul_assign(t);                        // 12x^3 + 12x^2 + 6x + 1
  Fq12 y12 = y9;
  y12.frobenius_map(1);
  Fq12 y13 = y12;
  y13.mul_assign(y11);
  Fq12 y14 = y8;
  y14.frobenius_map(2);
  y14.mul_assign(y13);
  Fq12 y15 = t;
  y15.conjugate();
  y15.mul_assign(y9);
  y15.frobenius_map(3);
  y15.mul_assign(y14);
  return y15;
}

}  // namespace kovra::bn254
