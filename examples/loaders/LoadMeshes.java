// Loads what `polymill NAME.3ds NAME.vertices NAME.faces NAME.mapping` wrote:
// Java's DataInputStream reads big-endian values as they are.
//   java LoadMeshes.java NAME

import java.io.BufferedInputStream;
import java.io.DataInputStream;
import java.io.File;
import java.io.FileInputStream;
import java.io.IOException;

public class LoadMeshes {
  private static DataInputStream open(String path) throws IOException {
    return new DataInputStream(new BufferedInputStream(new FileInputStream(path)));
  }

  // The file's records of `width` floats each.
  private static float[][] floats(String path, int width) throws IOException {
    float[][] records = new float[(int) (new File(path).length() / (4 * width))][width];
    try (DataInputStream in = open(path)) {
      for (float[] record : records) {
        for (int i = 0; i < width; ++i) record[i] = in.readFloat();
      }
    }
    return records;
  }

  // The file's triangles: three unsigned 16-bit indices each.
  private static int[][] triangles(String path) throws IOException {
    int[][] records = new int[(int) (new File(path).length() / 6)][3];
    try (DataInputStream in = open(path)) {
      for (int[] record : records) {
        for (int i = 0; i < 3; ++i) record[i] = in.readUnsignedShort();
      }
    }
    return records;
  }

  public static void main(String[] args) throws IOException {
    String name = args[0];
    float[][] vertices = floats(name + ".vertices", 3); // x y z
    int[][] faces = triangles(name + ".faces"); // a b c
    float[][] mapping = floats(name + ".mapping", 2); // s t

    System.out.println("vertices " + vertices.length);
    System.out.println("faces " + faces.length);
    System.out.println("mapping " + mapping.length);
    System.out.println("vertex 8 " + vertices[8][0] + " " + vertices[8][1] + " " + vertices[8][2]);
    System.out.println("face 17 " + faces[17][0] + " " + faces[17][1] + " " + faces[17][2]);
    System.out.println("coordinate 5 " + mapping[5][0] + " " + mapping[5][1]);
  }
}
