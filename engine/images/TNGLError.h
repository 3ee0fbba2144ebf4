// Reports the OpenGL error state after a call, without stopping anything.
#ifndef TN_GL_ERROR_H
#define TN_GL_ERROR_H

// Reads the GL error once; when set, logs "OpenGL Error in LABEL : TEXT".
void CheckGLError(const char* label);

#endif
