GSTA
SLAB
     2     1     3
 -1.0 1.0
 0.5
 0.0 1.0 2.0
GEND
