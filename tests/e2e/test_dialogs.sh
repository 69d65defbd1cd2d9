# The settings dialogs.
t_explore() {
  viewer_start
  drv command 205 + wait-window Environment
  drv dialog-controls Environment
  drv --title Environment capture "$CASE/env.bmp"
  drv --title Environment button 308 + wait-window "Color select"
  drv dialog-controls "Color select"
  drv --title "Color select" capture "$CASE/c256.bmp"
  drv --title "Color select" command 2 + wait-gone "Color select"
  drv --title Environment button 310 + wait-window "Line select"
  drv dialog-controls "Line select"
  drv --title "Line select" capture "$CASE/line.bmp"
  drv --title "Line select" button 2 + wait-gone "Line select"
  drv --title Environment button 2 + wait-gone Environment
  drv command 206 + wait-window "Batch change"
  drv dialog-controls "Batch change"
  drv --title "Batch change" capture "$CASE/batch.bmp"
  drv --title "Batch change" button 2 + wait-gone "Batch change"
  viewer_close
}
