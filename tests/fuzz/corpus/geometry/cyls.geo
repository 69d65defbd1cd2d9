GSTA
CYLS
     2     2
      1.0      2.0
      0.0      1.0
GEND
