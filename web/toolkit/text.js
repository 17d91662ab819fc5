// The web toolkit's drawing additions to Emscripten's GL: glRectf, glRasterPos2f and freeglut's bitmap text.
var TorvaleTextLibrary = {
  $TorvaleText__deps: ['$Torvale', '$GLImmediateSetup', '$GL'],
  $TorvaleText: {
    GL_TRIANGLE_FAN: 0x0006,
    GL_QUADS: 0x0007,
    GL_MODELVIEW: 0x1700,
    GL_PROJECTION: 0x1701,
    GL_TEXTURE: 0x1702,

    // The glyphs of a font, decoded on first use into rectangles of set pixels, so that a glyph
    // costs a few quads rather than one per pixel.
    font: function(number) {
      if (!Torvale.fonts) Torvale.fonts = torvaleGlyphs.map(TorvaleText.decodeFont);
      return Torvale.fonts[number];
    },

    decodeFont: function(font) {
      var bytes = Uint8Array.from(atob(font.faces), function(c) { return c.charCodeAt(0); });
      var glyphs = [];
      for (var at = 0, character = 0; character < 256; character++) {
        var width = bytes[at++];
        var stride = (width + 7) >> 3;
        glyphs.push({width: width, rects: TorvaleText.rectangles(bytes, at, width, stride, font.height)});
        at += stride * font.height;
      }
      return {height: font.height, xorig: font.xorig, yorig: font.yorig, glyphs: glyphs};
    },

    // Runs of set bits per row, bottom row first, merged upwards while a run repeats exactly.
    rectangles: function(bytes, at, width, stride, height) {
      var done = [], open = {};
      for (var row = 0; row <= height; row++) {
        var runs = {};
        for (var x = 0; row < height && x < width; x++) {
          if (!(bytes[at + row * stride + (x >> 3)] & (0x80 >> (x & 7)))) continue;
          var start = x;
          while (x + 1 < width && bytes[at + row * stride + ((x + 1) >> 3)] & (0x80 >> ((x + 1) & 7))) x++;
          var key = start + ':' + (x + 1 - start);
          runs[key] = open[key] ? (open[key][3]++, open[key]) : [start, row, x + 1 - start, 1];
        }
        for (var k in open) if (runs[k] !== open[k]) done.push(open[k]);
        open = runs;
      }
      return done;
    },
  },

  // A filled rectangle is a polygon through its four corners, as in GL; a fan draws it.
  glRectf__deps: ['$TorvaleText', 'glBegin', 'glVertex2f', 'glEnd'],
  glRectf__sig: 'vffff',
  glRectf: function(x1, y1, x2, y2) {
    _glBegin(TorvaleText.GL_TRIANGLE_FAN);
    _glVertex2f(x1, y1);
    _glVertex2f(x2, y1);
    _glVertex2f(x2, y2);
    _glVertex2f(x1, y2);
    _glEnd();
  },

  // Through the current model-view and projection matrices and the viewport; outside the view
  // volume the position is invalid and bitmaps draw nothing, as in GL.
  glRasterPos2f__deps: ['$Torvale', '$TorvaleText'],
  glRasterPos2f__sig: 'vff',
  glRasterPos2f: function(x, y) {
    var m = GLImmediate.matrix[0], p = GLImmediate.matrix[1];
    var eye = [0, 1, 2, 3].map(function(i) { return m[i] * x + m[4 + i] * y + m[12 + i]; });
    var clip = [0, 1, 2, 3].map(function(i) {
      return p[i] * eye[0] + p[4 + i] * eye[1] + p[8 + i] * eye[2] + p[12 + i] * eye[3];
    });
    var w = clip[3];
    var raster = Torvale.raster;
    raster.valid = [0, 1, 2].every(function(i) { return -w <= clip[i] && clip[i] <= w; }) && w > 0;
    var viewport = Torvale.viewport || (Torvale.viewport = Array.from(GLctx.getParameter(GLctx.VIEWPORT)));
    raster.viewport = viewport;
    raster.x = viewport[0] + (clip[0] / w + 1) * viewport[2] / 2;
    raster.y = viewport[1] + (clip[1] / w + 1) * viewport[3] / 2;
    raster.colour = Array.from(GLImmediate.clientColor);
  },

  // glBitmap with freeglut's glyph: set pixels take the raster colour, the lower left corner lies at
  // the raster position less the glyph's origin, rounded down as Mesa does, and the position moves on
  // by the glyph's width. The set pixels go out as quads in window coordinates, whose edges fall
  // between pixel centres, so exactly those pixels are filled; matrices and colour are put back.
  torvaleBitmapCharacter__deps: ['$Torvale', '$TorvaleText', 'glMatrixMode', 'glPushMatrix', 'glPopMatrix',
                                 'glLoadIdentity', 'glOrtho', 'glColor4f', 'glBegin', 'glVertex2f', 'glEnd'],
  torvaleBitmapCharacter__sig: 'vii',
  torvaleBitmapCharacter: function(fontNumber, character) {
    var raster = Torvale.raster;
    if (character < 1 || character > 255 || !raster.valid) return;
    var font = TorvaleText.font(fontNumber);
    var glyph = font.glyphs[character];
    if (glyph.rects.length) {
      var left = Math.floor(raster.x - font.xorig + 1e-4);
      var bottom = Math.floor(raster.y - font.yorig + 1e-4);
      var viewport = raster.viewport;
      var colour = Array.from(GLImmediate.clientColor);
      var matrixMode = [TorvaleText.GL_MODELVIEW, TorvaleText.GL_PROJECTION][GLImmediate.currentMatrix] ||
                       TorvaleText.GL_TEXTURE;
      _glMatrixMode(TorvaleText.GL_PROJECTION);
      _glPushMatrix();
      _glLoadIdentity();
      _glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1], viewport[1] + viewport[3], -1, 1);
      _glMatrixMode(TorvaleText.GL_MODELVIEW);
      _glPushMatrix();
      _glLoadIdentity();
      _glColor4f(raster.colour[0], raster.colour[1], raster.colour[2], raster.colour[3]);
      _glBegin(TorvaleText.GL_QUADS);
      glyph.rects.forEach(function(r) {
        var x = left + r[0], y = bottom + r[1];
        _glVertex2f(x, y);
        _glVertex2f(x + r[2], y);
        _glVertex2f(x + r[2], y + r[3]);
        _glVertex2f(x, y + r[3]);
      });
      _glEnd();
      _glColor4f(colour[0], colour[1], colour[2], colour[3]);
      _glPopMatrix();
      _glMatrixMode(TorvaleText.GL_PROJECTION);
      _glPopMatrix();
      _glMatrixMode(matrixMode);
    }
    raster.x += glyph.width;
  },

  // Kept here as well, so that placing text needs no query of the GL state, which would wait for the GPU.
  glViewport__deps: ['$Torvale'],
  glViewport__sig: 'viiii',
  glViewport: function(x, y, width, height) {
    Torvale.viewport = [x, y, width, height];
    GLctx.viewport(x, y, width, height);
  },
};

mergeInto(LibraryManager.library, TorvaleTextLibrary);
