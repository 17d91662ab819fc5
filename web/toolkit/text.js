// The web toolkit's bitmap text: freeglut's own Helvetica glyphs, drawn as glBitmap at the raster position.
const TorvaleTextLibrary = {
  $TorvaleText__deps: ['$Torvale', '$CanvasGL'],
  $TorvaleText: {
    FIRST_CHARACTER: 1,
    LAST_CHARACTER: 255,

    // The glyphs of a font, decoded on first use: each one's width and where its bitmap starts in bytes.
    font: (number) => {
      if (!Torvale.fonts) Torvale.fonts = torvaleGlyphs.map(TorvaleText.decodeFont);
      return Torvale.fonts[number];
    },

    decodeFont: (font) => {
      const bytes = Uint8Array.from(atob(font.faces), (c) => c.charCodeAt(0));
      const glyphs = [];
      for (let at = 0, character = 0; character < 256; character++) {
        const width = bytes[at++];
        glyphs.push({width, at});
        at += ((width + 7) >> 3) * font.height;
      }
      const source = CanvasGL.bitmapSources.push(bytes) - 1;
      return {height: font.height, xorig: font.xorig, yorig: font.yorig, source, glyphs};
    },
  },

  // freeglut's glBitmap of the glyph at the raster position, which moves on by the glyph's width.
  torvaleBitmapCharacter__deps: ['$TorvaleText', '$CanvasGL'],
  torvaleBitmapCharacter__sig: 'vii',
  torvaleBitmapCharacter: function(fontNumber, character) {
    if (character < TorvaleText.FIRST_CHARACTER || character > TorvaleText.LAST_CHARACTER) return;
    const font = TorvaleText.font(fontNumber), glyph = font.glyphs[character];
    CanvasGL.bitmap(glyph.width, font.height, font.xorig, font.yorig, glyph.width, 0, font.source, glyph.at);
  },
};

mergeInto(LibraryManager.library, TorvaleTextLibrary);
